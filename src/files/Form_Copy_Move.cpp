#include "files/Form_Copy_Move.h"

#include "app/AppServices.h"
#include "app/SettingKeys.h"
#include "app/SharedSettings.h"
#include "files/FolderPaths.h"
#include "files/RecentFolders.h"
#include "net/HttpHelpers.h"
#include "platform/Prompter.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kStart = u"开始"_s;
const QString kStop = u"停止"_s;

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

Form_Copy_Move::Form_Copy_Move(AppServices& app, bool isMove, QWidget* parent)
    : QDialog(parent)
    , IsMove(isMove)
    , m_app(app)
{
    setObjectName(u"Form_Copy_Move"_s);
    setWindowTitle(u"复制或者移动文件"_s);
    buildControls();
    load();
}

void Form_Copy_Move::buildControls()
{
    Label1 = named(new QLabel(u"目的文件夹："_s, this), u"Label1"_s);
    Combo1 = named(new QComboBox(this), u"Combo1"_s);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setAccessibleName(u"目的文件夹"_s);
    Combo1->setMinimumWidth(360);
    Command3 = named(new QPushButton(u"浏览"_s, this), u"Command3"_s);

    Frame1 = named(new QGroupBox(u"如果同名文件已经存在"_s, this), u"Frame1"_s);
    auto* options = new QButtonGroup(this);
    auto* frameLayout = new QVBoxLayout(Frame1);
    const QStringList captions{u"跳过"_s, u"覆盖"_s, u"自动重命名"_s,
                               u"文件大小和修改时间均相同：覆盖；否则：自动重命名"_s,
                               u"文件大小相同：覆盖；否则：自动重命名"_s};
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = named(new QRadioButton(captions.at(i), Frame1), u"Option1(%1)"_s.arg(i + 1));
        options->addButton(option, i + 1);
        frameLayout->addWidget(option);
        Option1.append(option);
    }
    connect(options, &QButtonGroup::idClicked, this, [this](int id) { m_optionIndex = id; });

    Label4 = named(new QLabel(u"当前文件："_s, this), u"Label4"_s);
    Label3 = named(new QLabel(this), u"Label3"_s);
    Label3->setAccessibleName(u"当前文件"_s);
    Label2 = named(new QLabel(u"进度;"_s, this), u"Label2"_s);
    ProgressBar1 = named(new QProgressBar(this), u"ProgressBar1"_s);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(u"进度"_s);
    Command1 = named(new QPushButton(kStart, this), u"Command1"_s);
    Command2 = named(new QPushButton(u"关闭"_s, this), u"Command2"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Combo1, 0, 1);
    grid->addWidget(Command3, 0, 2);
    grid->addWidget(Frame1, 1, 0, 1, 3);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(Label3, 2, 1, 1, 2);
    grid->addWidget(Label2, 3, 0);
    grid->addWidget(ProgressBar1, 3, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    grid->addLayout(buttons, 4, 0, 1, 3);

    connect(Command3, &QPushButton::clicked, this, &Form_Copy_Move::browse);
    connect(Command1, &QPushButton::clicked, this, [this] { 执行(true); });
    connect(Command2, &QPushButton::clicked, this, &Form_Copy_Move::close);
}

void Form_Copy_Move::load()
{
    using namespace SettingKeys;
    setWindowTitle(IsMove ? u"移动文件..."_s : u"复制文件..."_s);
    LoadRecentFolders(Combo1, RecentFolderFile(m_app.executablePath));
    m_destFolder = m_app.shared.read(sectionCopyMove(), destinationFolder(),
                                     ProgramFolder(m_app.executablePath));
    FitDropDownWidth(Combo1);
    Combo1->setEditText(m_destFolder);
    qint16 index = 0;
    m_app.shared.readNumber(sectionCopyMove(), opIndex(), defaultOpIndex(), index);
    selectOption(index);
}

void Form_Copy_Move::selectOption(int index)
{
    m_optionIndex = index;
    // An index outside the options leaves every option clear.
    QButtonGroup* group = Option1.first()->group();
    group->setExclusive(false);
    for (int i = 0; i < Option1.size(); ++i) {
        Option1.at(i)->setChecked(i + 1 == index);
    }
    group->setExclusive(true);
}

void Form_Copy_Move::browse()
{
    QString folder =
        BrowseForFolder(m_app.shell, this, Combo1->currentText(), u"请选择要浏览的文件夹:"_s);
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    Combo1->setEditText(folder);
}

void Form_Copy_Move::执行(bool showMessages)
{
    using namespace SettingKeys;
    QString folder = MakeFolderPath(Combo1->currentText(), m_app.prompter);
    Combo1->setEditText(folder);
    if (folder.isEmpty()) {
        m_app.prompter.message(u"创建文件夹出错！"_s, Prompter::Icon::Critical, this);
        return;
    }
    if (!folder.endsWith(u'/')) {
        folder += u'/';
        Combo1->setEditText(folder);
    }
    m_destFolder = folder;
    m_app.shared.write(sectionCopyMove(), destinationFolder(), m_destFolder);
    m_app.shared.write(sectionCopyMove(), opIndex(), QString::number(m_optionIndex));

    const QString trimmed = folder.trimmed();
    bool known = false;
    for (int i = 0; i < Combo1->count() && !known; ++i) {
        known = Combo1->itemText(i).compare(trimmed, Qt::CaseInsensitive) == 0;
    }
    if (!known) {
        Combo1->addItem(trimmed);
        Combo1->setEditText(folder);
    }
    SaveRecentFolders(Combo1, RecentFolderFile(m_app.executablePath));

    Label3->clear();
    for (qsizetype i = 0; i < SourceFiles.size();) {
        if (FileExists(SourceFiles.at(i))) {
            ++i;
        } else {
            SourceFiles.removeAt(i);
        }
    }
    if (SourceFiles.isEmpty()) {
        return;
    }

    if (Command1->text() != kStart) {
        // A click while a run goes on: the run leaves before its next file.
        Command1->setText(kStart);
        m_run.stop();
        return;
    }
    Command1->setText(kStop);
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximum(int(SourceFiles.size()) + 1);
    m_run.onProgress = [this](int k) { ProgressBar1->setValue(k); };
    m_run.onFile = [this](const QString& name) { Label3->setText(name); };
    // The list may change under a stop click, so the run walks its own copy.
    const QStringList files = SourceFiles;
    m_run.run(files, m_destFolder, m_optionIndex, IsMove, m_app.pump);
    ProgressBar1->setValue(0);
    Label3->clear();
    Command1->setText(kStart);
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        done(QDialog::Rejected);
        return;
    }
    if (showMessages) {
        m_app.prompter.message(IsMove ? u"移动文件完成！"_s : u"复制文件完成！"_s,
                               Prompter::Icon::Information, this);
    }
}

void Form_Copy_Move::done(int result)
{
    if (m_run.running()) {
        // Closing during a run stops it; the dialog closes once the file at hand is done.
        m_closeAfterRun = true;
        m_run.stop();
        return;
    }
    SourceFiles.clear();
    QDialog::done(result);
}
