#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

// Removes every carriage return, line feed and NUL character.
QString RemoveLineBreaks(const QString& text);

// The mail URI of a suggestion to the maker: the subject names the program, the body is a
// form for the sender's particulars with today's date.
QUrl suggestionMailUri(const QString& contactAddress, const QString& applicationTitle,
                       const QDate& today);
