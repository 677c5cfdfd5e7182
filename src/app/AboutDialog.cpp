#include "app/AboutDialog.h"

#include <QFrame>
#include <QLabel>

AboutDialog::AboutDialog(const QString &count, const QString &countTip, QWidget *parent)
    : QDialog(parent)
{
    setModal(true);
    const auto label = [this](const QString &text, const QString &tip, const QRect &geometry) {
        auto *label = new QLabel(text, this);
        label->setToolTip(tip);
        label->setGeometry(geometry);
    };
    label(tr("Version:          0.9 Beta"), tr("Версия: 0.9 Бета"), QRect(10, 10, 224, 13));
    label(tr("Author:           the BRW developers"), tr("Автор: разработчики BRW"),
          QRect(11, 28, 236, 13));
    label(tr("Contact:          see README.md"), tr("Связь: см. README.md"),
          QRect(11, 46, 236, 13));
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(QRect(QPoint(7, 65), QPoint(183, 66)));
    label(tr("User symbols: ") + count, tr("Пользовательских символов: ") + countTip,
          QRect(QPoint(11, 74), QPoint(186, 86)));
    setWindowTitle(tr("About "));
    resize(192, 98);
}
