#include "platform/MemoryDocument.h"

using namespace Qt::StringLiterals;

std::shared_ptr<MemoryElement> MemoryElement::create(const QString& tagName,
                                                     const QString& innerText)
{
    auto element = std::make_shared<MemoryElement>();
    element->m_tagName = tagName.toUpper();
    element->m_innerText = innerText;
    return element;
}

std::shared_ptr<MemoryElement> MemoryElement::link(const QString& innerText, const QString& href,
                                                   const QString& className)
{
    auto element = create(u"A"_s, innerText);
    element->m_href = href;
    element->m_className = className;
    return element;
}

std::shared_ptr<MemoryElement> MemoryElement::add(std::shared_ptr<MemoryElement> child)
{
    m_children.append(std::move(child));
    return shared_from_this();
}

std::shared_ptr<MemoryElement> MemoryElement::withClass(const QString& className)
{
    m_className = className;
    return shared_from_this();
}

std::shared_ptr<MemoryElement> MemoryElement::withRel(const QString& rel)
{
    m_rel = rel;
    return shared_from_this();
}

std::shared_ptr<MemoryElement> MemoryElement::withName(const QString& name)
{
    m_name = name;
    return shared_from_this();
}

std::shared_ptr<MemoryElement> MemoryElement::withType(const QString& type)
{
    m_type = type.toLower();
    return shared_from_this();
}

void MemoryElement::collect(const QString& upperTag, ElementList& found) const
{
    for (const auto& child : m_children) {
        if (upperTag == u"*"_s || child->m_tagName == upperTag) {
            found.append(child);
        }
        child->collect(upperTag, found);
    }
}

ElementList MemoryElement::getElementsByTagName(const QString& tagName) const
{
    ElementList found;
    collect(tagName.toUpper(), found);
    return found;
}

bool MemoryElement::click()
{
    ++clicks;
    if (onClick) {
        onClick();
    }
    return true;
}

bool MemoryElement::setValue(const QString& value)
{
    m_value = value;
    return true;
}

MemoryDocument::MemoryDocument(QString url)
    : m_url(std::move(url))
    , m_body(MemoryElement::create(u"BODY"_s))
{
}

MemoryDocument& MemoryDocument::add(std::shared_ptr<MemoryElement> element)
{
    m_body->add(std::move(element));
    return *this;
}

ElementList MemoryDocument::getElementsByTagName(const QString& tagName) const
{
    return m_body->getElementsByTagName(tagName);
}
