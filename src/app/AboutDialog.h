#pragma once

#include <QDialog>

// The about box: the version and the number of characters in the document.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    AboutDialog(const QString &count, const QString &countTip, QWidget *parent);
};
