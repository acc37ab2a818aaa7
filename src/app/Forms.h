#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// True when one of the program's loaded windows has the window name (case ignored).
bool IsFormLoaded(const QString& formName);
// Marks a window as unloading: from now on IsFormLoaded no longer sees it, even before the
// window object itself is gone.
void markUnloaded(QWidget* form);

// The program's main windows by name: each is created on first use from its factory and
// lives until it closes. main() registers the factories, so windows of one subsystem can
// open windows of another without knowing how to build them.
class Forms final : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<QWidget*()>;

    void registerForm(const QString& name, Factory factory);
    // The loaded window of that name, or nullptr.
    QWidget* loaded(const QString& name) const;
    // The loaded window, created (not shown) when it is not loaded.
    QWidget* load(const QString& name);
    template <typename T>
    T* loadAs(const QString& name)
    {
        return qobject_cast<T*>(load(name));
    }
    // Shows a window modeless, creating it when needed, and brings it to the front.
    QWidget* show(const QString& name);
    // Closes every loaded window without asking anything (the program is ending).
    void unloadAll();

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_loaded;
};
