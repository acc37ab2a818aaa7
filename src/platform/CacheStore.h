#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// One entry of the browser's URL cache.
struct CacheEntry {
    // Bits of type.
    static constexpr quint32 Normal = 0x1; // a response the browser keeps to serve again

    QString sourceUrl;
    // A plain file holding the entry's body as the server meant it; empty when the entry
    // has none (a redirect, an empty or unfinished body).
    QString localFile;
    quint32 type = 0;
};

// The URL cache of the program's browser: what the cache viewer lists, copies out and
// deletes.
class CacheStore {
public:
    virtual ~CacheStore() = default;
    // Visits every entry in the store's order. False when the walk broke off; the entries
    // visited until then stay visited.
    virtual bool enumerate(const std::function<void(const CacheEntry&)>& visit) = 0;
    // The entry of that URL, or nothing.
    virtual std::optional<CacheEntry> lookup(const QString& url) = 0;
    // Removes the entry of that URL (every entry, when several carry it) together with its
    // local file; false when there was none.
    virtual bool remove(const QString& url) = 0;
};
