#include "common/Preview.h"

#include "common/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

Preview::Preview(QWidget *parent)
    : QPlainTextEdit(parent)
{}

void Preview::previewUrl(const QUrl &url)
{
    const QString path = url.toLocalFile();
    // A pipe or a device could block the dialog or never end.
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    setReadOnly(true);
    QByteArray head;
    for (int line = 0; line < 10 && !file.atEnd(); ++line)
        head += file.readLine(251);
    const TextEncoding form = textFormOf(head);
    TextCodec codec(form);
    QString text = codec.decode(QByteArrayView(head).sliced(formMarkSize(form)));
    if (!file.atEnd())
        text += QStringLiteral(". . .");
    setPlainText(text);
    show();
}
