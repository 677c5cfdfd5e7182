#pragma once

#include <QObject>

class Brambleweb;

// The main window's auxiliary windows (symbol table, readme texts, about box) and its commands
// of the key recorder.
class AuxiliaryCommands : public QObject
{
    Q_OBJECT
public:
    explicit AuxiliaryCommands(Brambleweb &window);

    // The recorder's tool buttons show whether it records or plays; once they are built.
    void followRecorder();

public Q_SLOTS:
    void menuSymbols();
    void menuReadme_ru();
    void menuReadme_en();
    void menuAbout();
    void startPlayEvents();
    void startRecordEvents();
    void recorderStateChanged(int state);

private:
    void showTextWindow(const QString &text, const QString &caption);
    void runRecorder(int wanted);

    Brambleweb &m_window;
};
