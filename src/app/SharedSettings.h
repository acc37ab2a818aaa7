#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class SettingsStore;

// A stored number as the program reads it: trimmed decimal text, rounded half to even, within
// the 16-bit range; nothing for any other text.
std::optional<qint16> settingToInt16(const QString& text);

// The settings shared by the windows, and when each is read from and written to the store.
// One instance lives for the whole run; main() creates it and hands it to the windows.
class SharedSettings {
public:
    explicit SharedSettings(SettingsStore& store);

    SettingsStore& store() const { return m_store; }

    // Read and write values of the program's own application name.
    QString read(const QString& section, const QString& key, const QString& defaultValue) const;
    void write(const QString& section, const QString& key, const QString& value);
    // Reads a number into variable; a stored text that is not a number leaves it unchanged.
    void readNumber(const QString& section, const QString& key, const QString& defaultValue,
                    qint16& variable) const;

    // What the download window reads each time it loads, in this order: method, same-name
    // policy, proxy address, proxy port, proxy on.
    void loadDownloadWindowSettings();
    // What the search window reads when it loads.
    void loadPromptSavePath();
    // The journal's home page: the stored address, or the configured default.
    QString homePage(const QString& configuredDefault) const;

    // True once the values of the download window have been read in this run; until then the
    // options dialog shows the stored values, so confirming it keeps them.
    bool downloadSettingsLoaded() const { return m_downloadSettingsLoaded; }
    bool promptSavePathLoaded() const { return m_promptSavePathLoaded; }

    qint16 DownloadMethod = 0;
    qint16 ProxyEnabled = 0;
    QString ProxyAddress;
    QString ProxyPort;
    qint16 PromptSavePath = 0;
    QString SaveFolder;
    QString SameNamePolicy;
    bool NameFromUrl = false;
    bool SaveFolderCancelled = false;

private:
    SettingsStore& m_store;
    bool m_downloadSettingsLoaded = false;
    bool m_promptSavePathLoaded = false;
};
