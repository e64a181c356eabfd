#include "tools/manual/ManualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

const QString kSans = QStringLiteral("DejaVu Sans");
const QString kMono = QStringLiteral("DejaVu Sans Mono");
constexpr qreal kBodyPt = 10;
constexpr qreal kFooterMm = 9;
const QColor kInk(0x1d, 0x2a, 0x3a);
const QColor kAccent(0x2b, 0x55, 0x8c);
const QColor kShade(0xee, 0xf2, 0xf7);
// A block that must stand on the same page as the block after it: a section's
// heading and its first paragraph, a picture and its caption.
constexpr int kKeepWithNext = QTextFormat::UserProperty + 1;

// What the title page's contents list shows: the chapters and their sections.
struct Heading {
  QString text;
  int level;
};

// Two kinds of length. The page and the painter count the PDF's own pixels
// (its resolution); every length inside a text format (margins, padding,
// borders, tab positions, picture sizes) counts pixels of 96 to the inch,
// which the layout scales to the PDF's resolution.
class Units {
 public:
  explicit Units(int dpi) : dpi_(dpi) {}
  // Lengths for text formats.
  static qreal Pt(qreal points) { return points * 96.0 / 72.0; }
  static qreal Mm(qreal mm) { return mm * 96.0 / 25.4; }
  qreal FormatFromDevice(qreal devicePixels) const { return devicePixels * 96.0 / dpi_; }
  // Lengths for the page and the painter.
  qreal DevicePt(qreal points) const { return points * dpi_ / 72.0; }
  qreal DeviceMm(qreal mm) const { return mm * dpi_ / 25.4; }

 private:
  int dpi_;
};

QFont Font(const QString& family, qreal points, bool bold = false, bool italic = false) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setItalic(italic);
  font.setStyleHint(family == kMono ? QFont::Monospace : QFont::SansSerif);
  // No ligatures: "fi" stays two letters, so that the text can be searched and copied.
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}

void SetBlockText(QTextDocument& doc, const QTextBlock& block, const QString& text, const QTextCharFormat& format) {
  QTextCursor c(&doc);
  c.setPosition(block.position());
  c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
  c.insertText(text, format);
}

void SetBlockFormat(QTextDocument& doc, const QTextBlock& block, const QTextBlockFormat& format) {
  QTextCursor c(&doc);
  c.setPosition(block.position());
  c.setBlockFormat(format);
}

void MergeCharFormat(QTextDocument& doc, int from, int to, const QTextCharFormat& format) {
  QTextCursor c(&doc);
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  c.mergeCharFormat(format);
}

// Only the family and the size of `font`, leaving weight and slant as they are.
QTextCharFormat FaceAndSize(const QFont& font) {
  QTextCharFormat cf;
  cf.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
  return cf;
}

std::vector<Heading> Headings(const QString& markdown) {
  QTextDocument doc;
  doc.setMarkdown(markdown);
  std::vector<Heading> headings;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level == 1 || level == 2) headings.push_back({b.text(), level});
  }
  return headings;
}

// Headings in the sans face, chapters on a page of their own; code in the
// monospaced face on a shaded ground; every other paragraph with room below.
void StyleText(QTextDocument& doc, const Units& u) {
  static const qreal headingPt[] = {kBodyPt, 20, 14, 11.5, 10.5, 10, 10};
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    QTextBlockFormat bf = b.blockFormat();
    const int level = bf.headingLevel();
    if (level > 0) {
      // A format of its own: the Markdown reader's size step would otherwise
      // override any size given here.
      QTextCharFormat cf;
      cf.setFont(Font(kSans, headingPt[std::min(level, 6)], true));
      cf.setForeground(level <= 2 ? kAccent : kInk);
      QTextCursor c(&doc);
      c.setPosition(b.position());
      c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
      c.setCharFormat(cf);
      bf.setTopMargin(u.Pt(level == 1 ? 0 : 12));
      bf.setBottomMargin(u.Pt(level == 1 ? 14 : 5));
      if (level == 1) bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      else bf.setProperty(kKeepWithNext, true);
      SetBlockFormat(doc, b, bf);
      continue;
    }
    if (bf.hasProperty(QTextFormat::BlockCodeFence)) {
      // A line longer than the page wraps rather than being cut off at the margin.
      bf.clearProperty(QTextFormat::BlockNonBreakableLines);
      bf.setBackground(kShade);
      bf.setLeftMargin(u.Pt(8));
      bf.setTopMargin(0);
      bf.setBottomMargin(0);
      SetBlockFormat(doc, b, bf);
      MergeCharFormat(doc, b.position(), b.position() + b.length() - 1, FaceAndSize(Font(kMono, 8.5)));
      continue;
    }
    // Room below a paragraph, and below a list's last item.
    QTextList* list = b.textList();
    if (!list || list->item(list->count() - 1) == b) {
      bf.setBottomMargin(u.Pt(list ? 7 : 5));
      SetBlockFormat(doc, b, bf);
    }
    // Inline code: the monospaced face.
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (!f.charFormat().fontFixedPitch()) continue;
      MergeCharFormat(doc, f.position(), f.position() + f.length(), FaceAndSize(Font(kMono, 9)));
    }
  }
  // Code fences end with room below, like any paragraph.
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const bool code = b.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
    if (code && !(b.next().isValid() && b.next().blockFormat().hasProperty(QTextFormat::BlockCodeFence))) {
      QTextBlockFormat bf = b.blockFormat();
      bf.setBottomMargin(u.Pt(7));
      SetBlockFormat(doc, b, bf);
    }
  }
}

// Tables: hairlines, a shaded heading row repeated on every page they span.
void StyleTables(QTextDocument& doc, const Units& u) {
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table) continue;
    QTextTableFormat tf = table->format();
    tf.setBorder(u.Pt(0.75));
    tf.setBorderBrush(QColor(0x9a, 0xa8, 0xb8));
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderCollapse(true);
    tf.setCellSpacing(0);
    tf.setCellPadding(u.Pt(3));
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tf.setTopMargin(u.Pt(2));
    tf.setBottomMargin(u.Pt(8));
    tf.setHeaderRowCount(1);
    // Columns as wide as their longest text asks for, within bounds: equal
    // columns would squeeze a long description beside a one-word name.
    QList<qreal> weights(table->columns(), 0);
    for (int row = 0; row < table->rows(); ++row)
      for (int col = 0; col < table->columns(); ++col) {
        QTextCursor c(&doc);
        const QTextTableCell cell = table->cellAt(row, col);
        c.setPosition(cell.firstPosition());
        c.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
        weights[col] = std::max(weights[col], std::clamp(qreal(c.selectedText().size()), 10.0, 60.0));
      }
    qreal total = 0;
    for (qreal w : weights) total += w;
    QList<QTextLength> widths;
    for (qreal w : weights) widths << QTextLength(QTextLength::PercentageLength, 100 * w / total);
    tf.setColumnWidthConstraints(widths);
    table->setFormat(tf);
    for (int col = 0; col < table->columns(); ++col) {
      QTextTableCell cell = table->cellAt(0, col);
      QTextCharFormat cf = cell.format();
      cf.setBackground(kShade);
      cell.setFormat(cf);
      MergeCharFormat(doc, cell.firstPosition(), cell.lastPosition(), [] {
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        return bold;
      }());
    }
    // No room below the last paragraph of a cell.
    for (int row = 0; row < table->rows(); ++row)
      for (int col = 0; col < table->columns(); ++col) {
        const QTextTableCell cell = table->cellAt(row, col);
        for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
          const QTextBlock b = it.currentBlock();
          if (!b.isValid()) continue;
          QTextBlockFormat bf = b.blockFormat();
          bf.setBottomMargin(0);
          SetBlockFormat(doc, b, bf);
        }
      }
  }
}

// Every picture must load; it is shown centred, at most as wide as the text,
// with its alternative text as the caption below it.
QString StylePictures(QTextDocument& doc, const Units& u, const QSizeF& body) {
  struct Caption {
    int blockEnd;
    QString text;
  };
  std::vector<Caption> captions;
  const qreal maxWidth = u.FormatFromDevice(body.width()) * 0.92;
  const qreal maxHeight = u.FormatFromDevice(body.height()) * 0.55;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    bool picture = false;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (!f.charFormat().isImageFormat()) continue;
      QTextImageFormat img = f.charFormat().toImageFormat();
      const QString path = doc.baseUrl().resolved(QUrl(img.name())).toLocalFile();
      const QImage image(path);
      if (image.isNull()) return "cannot load the picture " + path;
      const qreal scale = std::min({1.0, maxWidth / image.width(), maxHeight / image.height()});
      img.setWidth(image.width() * scale);
      img.setHeight(image.height() * scale);
      QTextCursor c(&doc);
      c.setPosition(f.position());
      c.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
      c.setCharFormat(img);
      picture = true;
      const QString alt = img.stringProperty(QTextFormat::ImageAltText);
      if (!alt.isEmpty()) captions.push_back({b.position() + b.length() - 1, alt});
    }
    if (picture) {
      QTextBlockFormat bf = b.blockFormat();
      bf.setAlignment(Qt::AlignHCenter);
      bf.setTopMargin(u.Pt(4));
      bf.setBottomMargin(u.Pt(2));
      if (!captions.empty() && captions.back().blockEnd == b.position() + b.length() - 1)
        bf.setProperty(kKeepWithNext, true);
      SetBlockFormat(doc, b, bf);
    }
  }
  // Last first, so that the earlier positions stay valid.
  for (auto it = captions.rbegin(); it != captions.rend(); ++it) {
    QTextCursor c(&doc);
    c.setPosition(it->blockEnd);
    QTextBlockFormat bf;
    bf.setAlignment(Qt::AlignHCenter);
    bf.setBottomMargin(u.Pt(10));
    QTextCharFormat cf;
    cf.setFont(Font(kSans, 8.5, false, true));
    cf.setForeground(kInk);
    c.insertBlock(bf, cf);
    c.insertText(it->text, cf);
  }
  return {};
}

// The title page: title, subtitle and the contents, whose page numbers are
// filled in once the chapters have been laid out.
void WriteTitlePage(QTextDocument& doc, const Units& u, const ManualOptions& o,
                    const std::vector<Heading>& headings, const QSizeF& body) {
  QTextBlock b = doc.begin();
  QTextBlockFormat title;
  title.setTopMargin(u.Mm(40));
  title.setBottomMargin(u.Pt(6));
  SetBlockFormat(doc, b, title);
  QTextCharFormat titleFont;
  titleFont.setFont(Font(kSans, 28, true));
  titleFont.setForeground(kAccent);
  SetBlockText(doc, b, o.title, titleFont);

  b = b.next();
  QTextBlockFormat subtitle;
  subtitle.setBottomMargin(u.Mm(18));
  SetBlockFormat(doc, b, subtitle);
  QTextCharFormat subtitleFont;
  subtitleFont.setFont(Font(kSans, 14));
  subtitleFont.setForeground(kInk);
  SetBlockText(doc, b, o.subtitle, subtitleFont);

  b = b.next();
  QTextBlockFormat contents;
  contents.setBottomMargin(u.Pt(8));
  SetBlockFormat(doc, b, contents);
  QTextCharFormat contentsFont;
  contentsFont.setFont(Font(kSans, 14, true));
  contentsFont.setForeground(kAccent);
  SetBlockText(doc, b, QStringLiteral("Contents"), contentsFont);

  for (const Heading& h : headings) {
    b = b.next();
    QTextBlockFormat line;
    const qreal right = u.FormatFromDevice(body.width()) - (h.level == 1 ? 0 : u.Pt(14)) - 1;
    line.setTabPositions({QTextOption::Tab(right, QTextOption::RightTab)});
    line.setLeftMargin(h.level == 1 ? 0 : u.Pt(14));
    line.setTopMargin(h.level == 1 ? u.Pt(5) : 0);
    SetBlockFormat(doc, b, line);
    QTextCharFormat font;
    font.setFont(Font(kSans, h.level == 1 ? 10.5 : 9.5, h.level == 1));
    SetBlockText(doc, b, h.text + "\t000", font);
  }
}

// Where a block's first line starts and its last line ends on the document's
// long roll of pages: the layout pushes lines, not whole blocks, onto the next
// page, and a block inside a table is placed relative to the table.
QPointF LayoutOrigin(const QTextBlock& b) {
  return b.document()->documentLayout()->blockBoundingRect(b).topLeft();
}
qreal FirstLineTop(const QTextBlock& b) {
  const QTextLayout* l = b.layout();
  return LayoutOrigin(b).y() + (l->lineCount() > 0 ? l->lineAt(0).y() : 0);
}
qreal LastLineBottom(const QTextBlock& b) {
  const QTextLayout* l = b.layout();
  if (l->lineCount() == 0) return LayoutOrigin(b).y();
  const QTextLine last = l->lineAt(l->lineCount() - 1);
  return LayoutOrigin(b).y() + last.y() + last.height();
}

// QTextDocument has no "keep with next": a block so marked that ends up on
// another page than the first line of its successor starts a new page itself.
// A move shifts only what follows it, and the layout works lazily up to the
// block asked about, so one pass from the top settles every page.
void KeepWithNext(QTextDocument& doc, qreal pageHeight) {
  auto page = [pageHeight](qreal y) { return int(y / pageHeight); };
  for (QTextBlock b = doc.begin(); b.isValid() && b.next().isValid(); b = b.next()) {
    QTextBlockFormat bf = b.blockFormat();
    if (!bf.boolProperty(kKeepWithNext) || bf.pageBreakPolicy() == QTextFormat::PageBreak_AlwaysBefore) continue;
    if (page(LastLineBottom(b) - 1) == page(FirstLineTop(b.next()) + 1)) continue;
    bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    SetBlockFormat(doc, b, bf);
  }
}

void FillPageNumbers(QTextDocument& doc, int contentsLines, qreal pageHeight) {
  QAbstractTextDocumentLayout* layout = doc.documentLayout();
  std::vector<int> pages;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    const int level = b.blockFormat().headingLevel();
    if (level == 1 || level == 2) pages.push_back(int((layout->blockBoundingRect(b).top() + 1) / pageHeight) + 1);
  }
  QTextBlock line = doc.begin().next().next().next();
  for (int i = 0; i < contentsLines && line.isValid() && i < int(pages.size()); ++i, line = line.next()) {
    QTextCursor c(&doc);
    const int tab = line.text().lastIndexOf('\t');
    c.setPosition(line.position() + tab + 1);
    c.setPosition(line.position() + line.length() - 1, QTextCursor::KeepAnchor);
    c.insertText(QString::number(pages[i]));
  }
}

void Render(QTextDocument& doc, QPdfWriter& pdf, const Units& u, const QString& title) {
  const QSizeF body = doc.pageSize();
  QPainter painter(&pdf);
  const QFont footerFont = Font(kSans, 8);
  for (int page = 0; page < doc.pageCount(); ++page) {
    if (page > 0) pdf.newPage();
    painter.save();
    painter.translate(0, -page * body.height());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, page * body.height(), body.width(), body.height());
    context.palette.setColor(QPalette::Text, kInk);
    painter.setClipRect(context.clip);
    doc.documentLayout()->draw(&painter, context);
    painter.restore();
    if (page == 0) continue;  // the title page has no footer
    const QRectF footer(0, body.height(), body.width(), u.DeviceMm(kFooterMm));
    painter.setPen(QPen(QColor(0x9a, 0xa8, 0xb8), u.DevicePt(0.5)));
    painter.drawLine(footer.topLeft() + QPointF(0, u.DevicePt(6)), footer.topRight() + QPointF(0, u.DevicePt(6)));
    painter.setPen(kInk);
    painter.setFont(footerFont);
    painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, title);
    painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom, QString::number(page + 1));
  }
}

}  // namespace

QString BuildManual(const ManualOptions& o) {
  QFile source(o.source);
  if (!source.open(QIODevice::ReadOnly)) return "cannot read " + o.source;
  const QString markdown = QString::fromUtf8(source.readAll());
  const std::vector<Heading> headings = Headings(markdown);
  if (headings.empty()) return o.source + " has no chapters";

  QPdfWriter pdf(o.output);
  pdf.setResolution(300);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageMargins(QMarginsF(20, 16, 20, 14), QPageLayout::Millimeter);
  pdf.setTitle(o.title);
  pdf.setCreator(QStringLiteral("orin-manual"));
  const Units u(pdf.resolution());
  const QRectF paint = pdf.pageLayout().paintRectPixels(pdf.resolution());
  const QSizeF body(paint.width(), paint.height() - u.DeviceMm(kFooterMm));

  // The title page's blocks first (placeholders, filled below), then the chapters.
  QString text = "title\n\nsubtitle\n\ncontents\n\n";
  for (size_t i = 0; i < headings.size(); ++i) text += "line\n\n";
  text += markdown;

  QTextDocument doc;
  doc.setDefaultFont(Font(kSans, kBodyPt));
  doc.setDocumentMargin(0);
  doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(o.source).absolutePath() + "/"));
  doc.documentLayout()->setPaintDevice(&pdf);
  doc.setPageSize(body);
  doc.setMarkdown(text);

  // One edit for all the styling: the layout then runs once, not after every change.
  QTextCursor edit(&doc);
  edit.beginEditBlock();
  StyleText(doc, u);
  StyleTables(doc, u);
  const QString error = StylePictures(doc, u, body);
  WriteTitlePage(doc, u, o, headings, body);
  edit.endEditBlock();
  if (!error.isEmpty()) return error;
  KeepWithNext(doc, body.height());
  FillPageNumbers(doc, int(headings.size()), body.height());
  Render(doc, pdf, u, o.title);
  return {};
}
