#include "search/EntryAnalysis.h"

#include "app/AppServices.h"
#include "app/SharedSettings.h"
#include "download/DownloadListHost.h"
#include "platform/EventPump.h"
#include "search/ArticleList.h"
#include "search/HandOff.h"
#include "search/SearchSession.h"

using namespace Qt::StringLiterals;

EntryAnalysis::EntryAnalysis(SearchSession& session, AppServices& app, AnalysisView& view,
                             std::function<DownloadListHost*()> downloadWindow)
    : m_session(session)
    , m_app(app)
    , m_view(view)
    , m_downloadWindow(std::move(downloadWindow))
{
}

QString EntryAnalysis::progressText(int row, int rows, const QString& title)
{
    return u"正在分析第"_s + QString::number(row) + u'/' + QString::number(rows) + u"条记录："_s
        + title;
}

QString EntryAnalysis::summaryText(int succeeded)
{
    return u"本次分析成功："_s + QString::number(succeeded) + u"条"_s;
}

int EntryAnalysis::run(AnalysisSelection selection, const QSet<QString>& selectedKeys)
{
    // One run at a time: a second one would end the first by its own end.
    if (m_running) {
        return 0;
    }
    m_running = true;
    SharedSettings& shared = m_app.shared;
    m_view.showProgressPanel(waitText());
    m_session.StopAnalysis = false;
    m_app.pump.pump();

    int succeeded = 0;
    if (m_session.articles().count() > 0) {
        // Entries added with the chooser (PromptSavePath 1) carry their folder already.
        if (shared.PromptSavePath == 1) {
            shared.SaveFolderCancelled = false;
        } else if (m_session.showSaveFolderChooser) {
            m_session.showSaveFolderChooser();
        }
        if (!shared.SaveFolderCancelled) {
            analyseRows(selection, selectedKeys, succeeded);
        }
    }

    m_view.hideProgressPanel();
    m_session.StopAnalysis = true;
    m_view.showSummary(summaryText(succeeded));
    m_running = false;
    显示下载窗口();
    return succeeded;
}

void EntryAnalysis::analyseRows(AnalysisSelection selection, const QSet<QString>& selectedKeys,
                                int& succeeded)
{
    ArticleList& list = m_session.articles();
    const int rows = list.count();
    for (int row = 0; row < rows && row < list.count(); ++row) {
        // A copy: the events that run after the entry may change the list.
        const ArticleEntry entry = list.entry(row);
        m_view.showProgress(progressText(row + 1, rows, entry.title));
        bool taken = false;
        switch (selection) {
        case AnalysisSelection::Unanalysed:
            taken = entry.analysisStatus.isEmpty();
            break;
        case AnalysisSelection::Failed:
            taken = entry.analysisStatus == failedStatus();
            break;
        case AnalysisSelection::Selected:
            taken = selectedKeys.contains(entry.key);
            break;
        case AnalysisSelection::All:
            taken = true;
            break;
        }
        if (taken) {
            if (!entry.analysisStatus.isEmpty()) {
                list.setAnalysisStatus(row, QString());
            }
            const bool handed = AnalyseEntry(entry);
            if (handed) {
                ++succeeded;
            }
            list.setAnalysisStatus(list.rowOfKey(entry.key),
                                   handed ? succeededStatus() : failedStatus());
        } else if (selection != AnalysisSelection::Selected) {
            continue;
        }
        m_app.pump.pump();
        if (m_session.StopAnalysis) {
            break;
        }
    }
}

bool EntryAnalysis::AnalyseEntry(const ArticleEntry& entry)
{
    const std::optional<PdfLink> pdf = PdfLinkOf(entry);
    if (!pdf) {
        return false;
    }
    DownloadListHost* window = m_downloadWindow ? m_downloadWindow() : nullptr;
    if (!window) {
        return false; // nowhere to hand it to: not a success
    }
    return 加入下载列表(window->downloadList(), m_app.shared, pdf->url, entry.title, entry.fileType,
                        entry.saveFolder, pdf->referringUrl);
}

void EntryAnalysis::显示下载窗口()
{
    if (DownloadListHost* window = m_downloadWindow ? m_downloadWindow() : nullptr) {
        window->showForHandOff();
    }
}
