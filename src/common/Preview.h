#pragma once

#include <QPlainTextEdit>

class QUrl;

// The contents preview beside the file list of the program's own file dialog: the first lines
// of the file under the cursor, read-only.
class Preview : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit Preview(QWidget *parent = nullptr);

    // Shows the first 10 lines (each at most 250 characters) of the file, and ". . ." when it
    // has more. A file that cannot be read, or is no plain file, leaves the preview as it was.
    void previewUrl(const QUrl &url);
};
