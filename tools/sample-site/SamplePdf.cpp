#include "SamplePdf.h"

#include <QList>

namespace sample {

namespace {

QByteArray pdfText(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '(' || u == ')' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u >= 0x20 && u < 0x7f) {
            out += static_cast<char>(u);
        } else {
            out += '?';
        }
    }
    return out;
}

QByteArray build(const QString& title, qsizetype fillerBytes)
{
    const QByteArray content = "BT /F1 16 Tf 72 720 Td (" + pdfText(title) + ") Tj ET\n";
    const QByteArray filler(fillerBytes, 'x');
    QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content
            + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Length " + QByteArray::number(filler.size()) + " >>\nstream\n" + filler
            + "\nendstream",
    };
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
        + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace

QByteArray samplePdf(const QString& title, qsizetype minimumSize)
{
    QByteArray pdf = build(title, 0);
    if (pdf.size() < minimumSize) {
        // The filler grows the file one for one; the xref offsets stay consistent.
        const qsizetype missing = minimumSize - pdf.size();
        pdf = build(title, missing);
        if (pdf.size() > minimumSize) {
            pdf = build(title, qMax<qsizetype>(0, missing - (pdf.size() - minimumSize)));
        }
    }
    return pdf;
}

} // namespace sample
