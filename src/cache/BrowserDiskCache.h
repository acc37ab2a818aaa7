#pragma once

#include "platform/CacheStore.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The URL cache of the embedded browser, read from its disk cache folder. Each entry's body
// is kept as a plain file in a folder of the program (one sub-folder per entry, the file
// named after the URL), written when the entry is new or changed and removed when the entry
// is gone, so copying that file out gives the file the server sent. Entries whose body
// cannot be read whole are listed without a file.
class BrowserDiskCache final : public CacheStore {
public:
    // cacheFolder: where the browser keeps its HTTP disk cache; filesFolder: where the bodies
    // are kept as plain files (made when needed; nothing else should live there).
    BrowserDiskCache(const QString& cacheFolder, const QString& filesFolder);

    bool enumerate(const std::function<void(const CacheEntry&)>& visit) override;
    std::optional<CacheEntry> lookup(const QString& url) override;
    bool remove(const QString& url) override;

    // The folder that holds the entry files; empty while the browser has written none.
    QString entryFolder() const;
    QString filesFolder() const { return m_filesFolder; }

private:
    struct Record {
        QString id; // the entry files' common name part
        QDateTime stamp; // when the entry files last changed
        CacheEntry entry;
    };

    bool scan();
    QString keepBody(const QString& path, const QByteArray& body, const QDateTime& stamp);
    void dropStaleFiles();
    const Record* find(const QString& url) const;
    bool isCurrent(const Record& record) const;

    QString m_cacheFolder;
    QString m_filesFolder;
    QString m_entryFolder; // where the last scan found the records' files
    QList<Record> m_records;
    bool m_scanned = false;
};
