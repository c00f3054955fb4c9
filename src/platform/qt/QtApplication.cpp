// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtApplication.h"

#include "platform/qt/QtControls.h"
#include "platform/qt/QtOpenPanel.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/SheetDialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QUiLoader>
#include <QUrl>

#include <cstdio>

namespace {

// Makes the form's top-level dialog a SheetDialog, which has no cancel.
class SheetLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        if (className == QLatin1String("QDialog") && !parent) {
            auto* dialog = new SheetDialog;
            dialog->setObjectName(name);
            return dialog;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

// Binds the named parts of the form to the owner and connects the actions they
// name in their "action" property; the controls that either kept.
std::vector<std::unique_ptr<Control>> bindForm(QWidget& form, InterfaceOwner& owner)
{
    std::vector<std::unique_ptr<Control>> controls;
    for (QObject* object : form.findChildren<QObject*>()) {
        const QString name = object->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        auto control = makeControl(*object, form);
        if (!control)
            continue;
        const bool bound = owner.setOutlet(name.toStdString(), *control);
        const QString actionName = object->property("action").toString();
        if (!actionName.isEmpty())
            control->setAction(owner.actionNamed(actionName.toStdString()));
        if (bound || control->hasAction())
            controls.push_back(std::move(control));
    }
    return controls;
}

}

std::unique_ptr<Window> QtApplication::loadNibNamed(const std::string& name, InterfaceOwner& owner)
{
    const QString path = mInterfaceFile.empty() ? QStringLiteral(":/%1.ui").arg(QString::fromStdString(name)) : QString::fromStdString(mInterfaceFile);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    SheetLoader loader;
    std::unique_ptr<QWidget> form(loader.load(&file));
    if (!form) {
        std::fprintf(stderr, "skyvanes: cannot load %s: %s\n", qPrintable(path), qPrintable(loader.errorString()));
        return nullptr;
    }
    auto controls = bindForm(*form, owner);
    return std::make_unique<QtWindow>(std::move(form), std::move(controls));
}

std::unique_ptr<OpenPanel> QtApplication::openPanel()
{
    return std::make_unique<QtOpenPanel>();
}

bool QtApplication::openURL(const std::string& address)
{
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtApplication::endSheet(Window& window)
{
    window.orderOut();
    if (mSheetEnded)
        mSheetEnded(window);
}

QWidget& QtApplication::widgetOf(Window& window)
{
    return static_cast<QtWindow&>(window).widget();
}
