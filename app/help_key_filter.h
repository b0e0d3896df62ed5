// F1 in a dialog asks for that dialog's help topic, as the dialog's Help button does.
#pragma once

#include <QObject>

class HelpKeyFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
