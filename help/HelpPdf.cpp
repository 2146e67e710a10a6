#include "help/HelpPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace qda::help {

namespace {

constexpr int kResolution = 300;  // dots per inch of the PDF's layout
constexpr int kDocumentDpi = 96;  // the document's own pixels (picture widths)
constexpr double kMarginMm = 18.0;
constexpr int kTextWidthPixels = 620;  // A4 minus the margins, in document pixels (about 164 mm)

const char kStyle[] =
    "body { font-size: 10pt; }"
    "h1 { font-size: 18pt; color: #1f3a5f; }"
    "h2 { font-size: 14pt; color: #1f3a5f; margin-top: 14px; }"
    "h3 { font-size: 11pt; margin-top: 10px; }"
    "td { font-size: 9.5pt; }";

}  // namespace

int PictureWidth(const QImage& image) {
    const double ratio = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
    return std::min(kTextWidthPixels, static_cast<int>(std::lround(image.width() / ratio)));
}

bool WriteHelpPdf(const QString& html, const QMap<QString, QImage>& pictures, const QString& title,
                  const QString& path) {
    const QString partial = path + QStringLiteral(".part");
    {
        QPdfWriter writer(partial);
        writer.setResolution(kResolution);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("QD-Atlas"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                         QPageLayout::Millimeter));

        QTextDocument doc;
        doc.setDefaultStyleSheet(QString::fromLatin1(kStyle));
        for (auto it = pictures.begin(); it != pictures.end(); ++it)
            doc.addResource(QTextDocument::ImageResource, QUrl(it.key()), it.value());
        doc.setHtml(html);

        // Lay out in document pixels on a page of the printable size, then paint each page scaled
        // to the writer's resolution, with its number at the foot.
        QPainter painter;
        if (!painter.begin(&writer)) return false;
        const double scale = static_cast<double>(kResolution) / kDocumentDpi;
        const QRectF paint = writer.pageLayout().paintRectPixels(kResolution);
        const QSizeF page(paint.width() / scale, paint.height() / scale - 24);
        doc.setPageSize(page);
        const int pages = std::max(1, doc.pageCount());
        for (int p = 0; p < pages; ++p) {
            if (p > 0) writer.newPage();
            painter.save();
            painter.scale(scale, scale);
            painter.translate(0, -p * page.height());
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = QRectF(0, p * page.height(), page.width(), page.height());
            painter.setClipRect(context.clip);
            doc.documentLayout()->draw(&painter, context);
            painter.restore();
            painter.save();
            painter.scale(scale, scale);
            // In document pixels like the text above (8 pt at 96 per inch), scaled with the page.
            QFont foot = doc.defaultFont();
            foot.setPixelSize(11);
            painter.setFont(foot);
            painter.drawText(QRectF(0, page.height() + 6, page.width(), 18), Qt::AlignCenter,
                             QStringLiteral("%1  %2 / %3").arg(title).arg(p + 1).arg(pages));
            painter.restore();
        }
        if (!painter.end()) return false;
    }
    // Replaced only when complete, so a failed run leaves the last good document.
    QFile::remove(path);
    return QFile::rename(partial, path);
}

}  // namespace qda::help
