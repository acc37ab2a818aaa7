#pragma once

#include <QByteArray>
#include <QString>

// The text of a downloaded page: decoded by its byte-order mark, else by the charset its
// meta tag names, else as UTF-8 when the bytes are valid UTF-8, else as GB18030 (the
// encoding of the Chinese sites' older pages, a superset of GBK and GB2312).
QString DecodePageText(const QByteArray& bytes);
