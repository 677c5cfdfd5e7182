#include "common/ToolkitSeams.h"

#include "common/DataFiles.h"
#include "common/Messages.h"
#include "common/Sound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {

using namespace Messages;

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon standardIcon(Icon icon)
{
    switch (icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

Answer runRealBox(const Box &box)
{
    QMessageBox dialog(standardIcon(box.icon), box.caption, box.text, standardButtons(box.buttons),
                       box.parent);
    const bool ok = box.buttons == Buttons::Ok || box.buttons == Buttons::OkCancel;
    dialog.setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    if (box.buttons == Buttons::YesNoCancel || box.buttons == Buttons::OkCancel)
        dialog.setEscapeButton(QMessageBox::Cancel);
    switch (dialog.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Closed;
    }
}

void playThroughToolkit(const QString &file)
{
    const QFileInfo info(DataFiles::locate(file));
    if (!info.isFile() || !QCoreApplication::instance())
        return;
    // One effect for the whole program, owned by the application; the file is decoded in the
    // background and played as soon as it is ready.
    static QPointer<QSoundEffect> effect;
    if (!effect)
        effect = new QSoundEffect(QCoreApplication::instance());
    const QUrl source = QUrl::fromLocalFile(info.absoluteFilePath());
    if (effect->source() != source)
        effect->setSource(source);
    effect->play();
}

} // namespace

namespace ToolkitSeams {

void install()
{
    Messages::setRealBoxes(runRealBox);
    Sound::setDevicePlayer(playThroughToolkit);
}

} // namespace ToolkitSeams
