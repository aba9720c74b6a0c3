#include "SpanWindow.h"

#include "TFormCut.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

namespace ksv {

QString showSpanWindow(const RunnerContext& context, const QString& sourceDos, const QString& destinationDos,
                       QWidget* parent)
{
    TFormCut window(context, parent);
    if (context.startedWithArguments) {
        if (!sourceDos.isEmpty())
            window.EdSourceFile->setText(sourceDos);
        window.ComboDestCut->setEditText(destinationDos);
    }
    window.exec();
    return window.ComboDestCut->currentText();
}

std::function<QString(const QString&, const QString&)> spanWindowCallback(const RunnerContext& context,
                                                                           QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    return [context, owner](const QString& sourceDos, const QString& destinationDos) {
        return showSpanWindow(context, sourceDos, destinationDos, owner.data());
    };
}

} // namespace ksv
