#include "search/fWebSearch.h"

#include "app/Forms.h"
#include "app/UiServices.h"

#include <QCloseEvent>

using namespace Qt::StringLiterals;

fWebSearch::fWebSearch(UiServices& ui, QWidget* parent)
    : QMainWindow(parent)
    , m_ui(ui)
{
    setObjectName(u"fWebSearch"_s);
    setWindowTitle(u"ZORV数据检索分析-Qelvo软件"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 600);
}

void fWebSearch::closeEvent(QCloseEvent* event)
{
    markUnloaded(this);
    event->accept();
    if (!IsFormLoaded(u"fFileDownload"_s)) {
        m_ui.forms.show(u"fCover"_s);
    }
}
