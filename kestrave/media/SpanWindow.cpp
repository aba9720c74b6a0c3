#include "SpanWindow.h"

#include "Dialogs.h"
#include "TFormCut.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace ksv {

QString showSpanWindow(const RunnerContext& context, const QString& sourceDos, const QString& destinationDos,
                       QWidget* parent, SpanWindowDriver driver)
{
    TFormCut window(context, parent);
    if (context.startedWithArguments) {
        if (!sourceDos.isEmpty())
            window.EdSourceFile->setText(sourceDos);
        window.ComboDestCut->setEditText(destinationDos);
    }
    const bool automatic = driver == SpanWindowDriver::Automatic ||
                           (driver == SpanWindowDriver::ByEnvironment && dialogsAreScripted());
    if (automatic) {
        QTimer::singleShot(0, &window, [&window] {
            window.Decouper();
            if (window.isVisible())
                window.CancelClick();
        });
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
