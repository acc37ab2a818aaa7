#pragma once

#include "platform/Browser.h"

#include <QString>

#include <functional>
#include <memory>

// An element held in memory: a small tree built by code, for pages the program composes
// itself and for reading documents without a browser. Clicks are counted and handed to
// onClick; values are kept.
class MemoryElement final : public Element, public std::enable_shared_from_this<MemoryElement> {
public:
    // An element with the tag name (kept upper case) and optional text.
    static std::shared_ptr<MemoryElement> create(const QString& tagName,
                                                 const QString& innerText = QString());
    // A link: tag "A" with text, resolved address and class.
    static std::shared_ptr<MemoryElement> link(const QString& innerText, const QString& href,
                                               const QString& className = QString());

    // Appends child and returns this element, so trees read as they nest.
    std::shared_ptr<MemoryElement> add(std::shared_ptr<MemoryElement> child);

    QString tagName() const override { return m_tagName; }
    QString className() const override { return m_className; }
    QString innerText() const override { return m_innerText; }
    QString href() const override { return m_href; }
    QString rel() const override { return m_rel; }
    QString name() const override { return m_name; }
    QString type() const override { return m_type; }
    QString value() const override { return m_value; }
    ElementList getElementsByTagName(const QString& tagName) const override;
    bool click() override;
    bool setValue(const QString& value) override;

    std::shared_ptr<MemoryElement> withClass(const QString& className);
    std::shared_ptr<MemoryElement> withRel(const QString& rel);
    std::shared_ptr<MemoryElement> withName(const QString& name);
    std::shared_ptr<MemoryElement> withType(const QString& type);

    int clicks = 0;
    std::function<void()> onClick;

private:
    void collect(const QString& upperTag, ElementList& found) const;

    QString m_tagName;
    QString m_className;
    QString m_innerText;
    QString m_href;
    QString m_rel;
    QString m_name;
    QString m_type;
    QString m_value;
    QList<std::shared_ptr<MemoryElement>> m_children;
};

// A document held in memory: an address and a body of elements.
class MemoryDocument final : public Document {
public:
    explicit MemoryDocument(QString url);

    // Appends an element to the body.
    MemoryDocument& add(std::shared_ptr<MemoryElement> element);
    std::shared_ptr<MemoryElement> body() const { return m_body; }

    QString url() const override { return m_url; }
    ElementList getElementsByTagName(const QString& tagName) const override;

private:
    QString m_url;
    std::shared_ptr<MemoryElement> m_body;
};

// A browser that shows nothing and never loads: for work on a list that needs no page.
class NullBrowser final : public Browser {
public:
    void setSilent(bool) override { }
    bool isSilent() const override { return true; }
    void navigate(const QString&) override { }
    void goBack() override { }
    void goForward() override { }
    void refresh() override { }
    bool isBusy() const override { return false; }
    QString locationUrl() const override { return {}; }
    QString title() const override { return {}; }
    std::shared_ptr<Document> document() override { return {}; }
};
