// The help document "Orin Media 5_1.pdf", built from its Markdown source with
// Qt's own text engine: QTextDocument lays the chapters out on A4 pages and
// QPdfWriter writes them, with a title page, a table of contents with page
// numbers and a footer on every page.
#pragma once
#include <QString>

struct ManualOptions {
  QString source;    // the Markdown file; pictures are found relative to it
  QString output;    // the PDF to write
  QString title;     // on the title page, in the footer and in the PDF's properties
  QString subtitle;  // under the title
};

// Writes the PDF; an empty string on success, else what went wrong (a missing
// picture is an error, so that a broken link never ships unnoticed).
QString BuildManual(const ManualOptions& options);
