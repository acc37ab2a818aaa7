#pragma once

#include <QByteArray>
#include <QString>

namespace sample {

// A valid one-page PDF that shows the title; padded with a filler stream to at least
// minimumSize bytes. The same title and size always give the same bytes.
QByteArray samplePdf(const QString& title, qsizetype minimumSize = 0);

} // namespace sample
