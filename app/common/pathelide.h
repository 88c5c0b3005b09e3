#pragma once
// Texts that hold a path (a file's path, a log line), made to fit a width by eliding the
// path's folders: what comes before the path (a date), the file name and what follows
// it (a log line's result) stay in view. The list views' path columns and the run logs
// of the pages show their texts through it.

#include <QString>

class QFontMetrics;

namespace qm {

// `text` unchanged when it fits `width` pixels in `metrics`. Otherwise the folders
// between the path's first and last separator lose their middle ("C:\Users\…\Docs\a.txt
// - successful."); where that is too wide, everything before the last separator loses
// its middle; where even the file name and what follows are too wide, only they are
// shown, losing their middle. A text without folders loses its middle. The path starts at a drive
// ("C:\") or at a word that starts with a separator ("\\server", "/home"); its last separator is
// the last one of the same kind.
QString elideFolders(const QString& text, const QFontMetrics& metrics, int width);

} // namespace qm
