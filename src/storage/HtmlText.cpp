#include "storage/HtmlText.h"

// Both build their result in one string reserved at the input's length and a tenth, and copy
// the runs between the characters they act on in one piece.

QString escapeHtml(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 10);
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QLatin1String entity;
        switch (text[i].unicode()) {
        case u'"':
            entity = QLatin1String("&quot;");
            break;
        case u'&':
            entity = QLatin1String("&amp;");
            break;
        case u'<':
            entity = QLatin1String("&lt;");
            break;
        case u'>':
            entity = QLatin1String("&gt;");
            break;
        default:
            continue;
        }
        out.append(text.sliced(from, i - from)).append(entity);
        from = i + 1;
    }
    return out.append(text.sliced(from));
}

QString reformatHtml(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 10);
    bool lineStart = true;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QLatin1String tag;
        if (c == u'\n') {
            tag = lineStart ? QLatin1String("<p>") : QLatin1String("<br>");
            lineStart = true;
        } else if (c == u'\t' && lineStart) {
            tag = QLatin1String("<dd>"); // one per leading tab: deeper indents stay deeper
        } else {
            lineStart = false;
            continue;
        }
        out.append(text.sliced(from, i - from)).append(tag);
        from = i;
    }
    return out.append(text.sliced(from));
}
