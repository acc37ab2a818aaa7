#include "files/fSeleFileSavePath.h"

#include "app/AppServices.h"
#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "app/UiServices.h"
#include "files/FolderPaths.h"
#include "files/RecentFolders.h"
#include "platform/EventPump.h"
#include "platform/Prompter.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

fSeleFileSavePath::fSeleFileSavePath(UiServices& ui, QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
{
    setObjectName(u"fSeleFileSavePath"_s);
    setWindowTitle(u"选择下载保存路径－Qelvo软件"_s);

    Label1 = new QLabel(u"保存到文件夹："_s, this);
    Label1->setObjectName(u"Label1"_s);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(u"Combo1"_s);
    Combo1->setAccessibleName(u"保存文件夹"_s);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setMinimumWidth(360);
    Label1->setBuddy(Combo1);
    Command1 = new QPushButton(u"..."_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setAccessibleName(u"浏览文件夹"_s);
    Label3 = new QLabel(u"保存文件名为："_s, this);
    Label3->setObjectName(u"Label3"_s);
    Option1 = new QRadioButton(u"原文件名"_s, this);
    Option1->setObjectName(u"Option1"_s);
    Option2 = new QRadioButton(u"文章标题名称"_s, this);
    Option2->setObjectName(u"Option2"_s);
    Option2->setChecked(true);
    auto* naming = new QButtonGroup(this);
    naming->addButton(Option1);
    naming->addButton(Option2);
    Command2 = new QPushButton(u"确定"_s, this);
    Command2->setObjectName(u"Command2"_s);
    Command2->setDefault(true);
    Command3 = new QPushButton(u"取消"_s, this);
    Command3->setObjectName(u"Command3"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Combo1, 0, 1);
    grid->addWidget(Command1, 0, 2);
    grid->addWidget(Label3, 1, 0);
    auto* options = new QHBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addStretch();
    grid->addLayout(options, 1, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(Command1, &QPushButton::clicked, this, &fSeleFileSavePath::browse);
    connect(Command2, &QPushButton::clicked, this, &fSeleFileSavePath::confirm);
    connect(Command3, &QPushButton::clicked, this, &fSeleFileSavePath::cancel);

    load();
}

void fSeleFileSavePath::showModal(UiServices& ui, QWidget* parent)
{
    fSeleFileSavePath dialog(ui, parent);
    dialog.exec();
}

QString fSeleFileSavePath::recentFolderFile() const
{
    return RecentFolderFile(m_ui.app.executablePath);
}

void fSeleFileSavePath::load()
{
    SharedSettings& shared = m_ui.app.shared;
    if (shared.NameFromUrl) {
        Option1->setChecked(true);
    }
    LoadRecentFolders(Combo1, recentFolderFile());
    m_ui.app.pump.pump();
    shared.SaveFolder = shared.read(SettingKeys::sectionSettings(), SettingKeys::saveFolder(),
                                    SettingKeys::defaultSaveFolder());
    Combo1->setEditText(shared.SaveFolder);
    FitDropDownWidth(Combo1);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void fSeleFileSavePath::browse()
{
    Combo1->setEditText(
        BrowseForFolder(m_ui.app.shell, this, Combo1->currentText(), u"请选择要浏览的文件夹:"_s));
}

void fSeleFileSavePath::confirm()
{
    SharedSettings& shared = m_ui.app.shared;
    shared.NameFromUrl = Option1->isChecked();
    QString text = Combo1->currentText();
    QString folder;
    // An empty box would otherwise name the root folder.
    if (!text.trimmed().isEmpty()) {
        if (!text.endsWith(u'/')) {
            text += u'/';
        }
        folder = MakeFolderPath(text, m_ui.app.prompter);
    }
    // A name without a leading "/" is taken in the current folder; it is kept absolute, so
    // the stored folder means the same in the next run.
    if (!folder.isEmpty()) {
        folder = QFileInfo(folder).absoluteFilePath();
    }
    Combo1->setEditText(folder);
    if (folder.isEmpty()) {
        m_ui.app.prompter.message(u"文件夹设置错误！"_s, Prompter::Icon::Critical, this);
        return;
    }
    shared.SaveFolder = folder.endsWith(u'/') ? folder : folder + u'/';
    shared.write(SettingKeys::sectionSettings(), SettingKeys::saveFolder(), shared.SaveFolder);
    shared.SaveFolderCancelled = false;
    Combo1->addItem(folder.trimmed());
    SaveRecentFolders(Combo1, recentFolderFile());
    accept();
}

void fSeleFileSavePath::cancel()
{
    m_ui.app.shared.SaveFolderCancelled = true;
    reject();
}
