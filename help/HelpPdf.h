#pragma once
// Writes one help document as PDF with Qt's own document layout and PDF writer.
#include <QImage>
#include <QMap>
#include <QString>

namespace qda::help {

// Lays out `html` (pictures named by their resource url in `pictures`) on A4 pages with page
// numbers and writes it to `path` with `title` as the document title. False when the file
// cannot be written.
bool WriteHelpPdf(const QString& html, const QMap<QString, QImage>& pictures, const QString& title,
                  const QString& path);

// The width a picture of `image` gets in the document: its size in logical pixels, at most the
// text width of the page.
int PictureWidth(const QImage& image);

}  // namespace qda::help
