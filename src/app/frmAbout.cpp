#include "app/frmAbout.h"

#include "app/AppInfo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmAbout::frmAbout(const QString& osName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"关于 "_s + AppInfo::title());

    lblTitle = new QLabel(AppInfo::title(), this);
    lblTitle->setObjectName(u"lblTitle"_s);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(u"版本："_s + AppInfo::versionText(), this);
    lblVersion->setObjectName(u"lblVersion"_s);
    lblSystem = new QLabel(u"运行系统："_s + osName, this);
    lblSystem->setObjectName(u"lblSystem"_s);
    lblSystem->setWordWrap(true);
    cmdOK = new QPushButton(u"确定"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addWidget(lblSystem);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::showModal(const QString& osName, QWidget* parent)
{
    frmAbout box(osName, parent);
    box.exec();
}
