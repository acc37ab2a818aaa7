#include "app/Forms.h"

#include <QApplication>

namespace {
constexpr const char* kUnloadedProperty = "zorvUnloaded";
}

bool IsFormLoaded(const QString& formName)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->property(kUnloadedProperty).toBool()) {
            continue;
        }
        if (window->objectName().compare(formName, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

void markUnloaded(QWidget* form)
{
    if (form) {
        form->setProperty(kUnloadedProperty, true);
    }
}

void Forms::registerForm(const QString& name, Factory factory)
{
    m_factories.insert(name.toLower(), std::move(factory));
}

QWidget* Forms::loaded(const QString& name) const
{
    QWidget* form = m_loaded.value(name.toLower());
    if (!form || form->property(kUnloadedProperty).toBool()) {
        return nullptr;
    }
    return form;
}

QWidget* Forms::load(const QString& name)
{
    if (QWidget* form = loaded(name)) {
        return form;
    }
    const auto factory = m_factories.constFind(name.toLower());
    if (factory == m_factories.constEnd()) {
        return nullptr;
    }
    QWidget* form = (*factory)();
    if (form) {
        m_loaded.insert(name.toLower(), form);
    }
    return form;
}

QWidget* Forms::show(const QString& name)
{
    QWidget* form = load(name);
    if (form) {
        if (form->isMinimized()) {
            form->showNormal();
        } else {
            form->show();
        }
        form->raise();
        form->activateWindow();
    }
    return form;
}

void Forms::unloadAll()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        markUnloaded(window);
        window->hide();
        if (!window->parent()) {
            window->deleteLater(); // owned windows go with their owner
        }
    }
    m_loaded.clear();
}
