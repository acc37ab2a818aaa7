#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Element;
using ElementPtr = std::shared_ptr<Element>;
using ElementList = QList<ElementPtr>;

// One element of a page's document as the program reads it. Properties are read when the
// element list that holds the element is taken, so reading them costs nothing; a property the
// element does not have reads as empty text. Actions run on the live element of the page; on
// an element of a page that has gone meanwhile they do nothing.
class Element {
public:
    virtual ~Element() = default;

    // Upper-case tag name ("A", "LI", "INPUT").
    virtual QString tagName() const = 0;
    // The whole class attribute.
    virtual QString className() const = 0;
    virtual QString innerText() const = 0;
    // A link's resolved absolute address.
    virtual QString href() const = 0;
    virtual QString rel() const = 0;
    virtual QString name() const = 0;
    // An input's type, lower case ("text", "submit").
    virtual QString type() const = 0;
    virtual QString value() const = 0;

    // Descendant elements with that tag name (case ignored, "*" for all), in document order.
    virtual ElementList getElementsByTagName(const QString& tagName) const = 0;
    // A scripted click: a link or a submit input navigates as a user's click does. False when
    // the element could not be reached.
    virtual bool click() = 0;
    // Sets an input's value as typing would. False when the element could not be reached.
    virtual bool setValue(const QString& value) = 0;
};

// The document a browser shows.
class Document {
public:
    virtual ~Document() = default;
    // The document's own address.
    virtual QString url() const = 0;
    // Elements with that tag name (case ignored, "*" for all), in document order. A document
    // that is not an HTML page (a blank page while loading, a PDF) has none.
    virtual ElementList getElementsByTagName(const QString& tagName) const = 0;
};

// An embedded web browser. Links and scripts that would open a new window open their target
// in this browser instead, and pages cannot close it.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Silent: no script dialogs (alert, confirm, prompt) or other browser boxes appear.
    virtual void setSilent(bool silent) = 0;
    virtual bool isSilent() const = 0;

    // Starts loading the address (also "about:blank"); documentComplete follows.
    virtual void navigate(const QString& url) = 0;
    // History back and forward; without history nothing happens.
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    // Loads the current page again.
    virtual void refresh() = 0;
    // True while a navigation of the top-level document is in progress.
    virtual bool isBusy() const = 0;
    // The address and title of the page now shown.
    virtual QString locationUrl() const = 0;
    virtual QString title() const = 0;
    // The document of the page now shown; nullptr when there is none.
    virtual std::shared_ptr<Document> document() = 0;

signals:
    void statusTextChanged(const QString& text);
    void titleChanged(const QString& title);
    // The top-level document finished loading (successfully or not); frames do not report.
    void documentComplete(const QString& url);
    void busyChanged(bool busy);
    // A page asked for a new window; the browser has already started loading url itself.
    void newWindowRequested(const QString& url);
    // A page asked to close the browser; the request was refused.
    void windowCloseRequested();
};
