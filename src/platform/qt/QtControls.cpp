// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtControls.h"

#include "platform/Button.h"
#include "platform/ColorWell.h"
#include "platform/Matrix.h"
#include "platform/PopUpButton.h"
#include "platform/Slider.h"
#include "platform/Switch.h"
#include "platform/TextField.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>

#include <cmath>

namespace {

template <typename Base>
class WidgetControl : public Base {
public:
    explicit WidgetControl(QWidget& widget)
        : mWidget(widget)
    {
    }
    void setEnabled(bool enabled) override { mWidget.setEnabled(enabled); }
    bool isEnabled() const override { return mWidget.isEnabled(); }

protected:
    QWidget& mWidget;
    // The context of every connection the control makes, so that none outlives it.
    QObject mContext;
};

class QtButton : public WidgetControl<Button> {
public:
    explicit QtButton(QAbstractButton& button)
        : WidgetControl(button)
    {
        QObject::connect(&button, &QAbstractButton::clicked, &mContext, [this] { sendAction(); });
    }
};

class QtSwitch : public WidgetControl<Switch> {
public:
    explicit QtSwitch(QAbstractButton& box)
        : WidgetControl(box)
        , mBox(box)
    {
        QObject::connect(&box, &QAbstractButton::clicked, &mContext, [this] { sendAction(); });
    }
    int state() const override { return mBox.isChecked() ? 1 : 0; }
    void setState(int state) override { mBox.setChecked(state == 1); }

private:
    QAbstractButton& mBox;
};

class QtSlider : public WidgetControl<Slider> {
public:
    QtSlider(QSlider& slider, QLabel* valueLabel)
        : WidgetControl(slider)
        , mSlider(slider)
        , mValueLabel(valueLabel)
    {
        QObject::connect(&slider, &QSlider::valueChanged, &mContext, [this] { showValue(); });
        QObject::connect(&slider, &QSlider::actionTriggered, &mContext, [this] { sendAction(); });
        showValue();
    }
    int intValue() const override { return mSlider.value(); }
    void setIntValue(int value) override { mSlider.setValue(value); }
    float floatValue() const override { return static_cast<float>(mSlider.value()); }
    void setFloatValue(float value) override
    {
        if (std::isfinite(value))
            mSlider.setValue(static_cast<int>(std::clamp(std::lround(value), long { mSlider.minimum() }, long { mSlider.maximum() })));
    }

private:
    void showValue()
    {
        if (!mValueLabel)
            return;
        qlonglong shown = mSlider.value();
        const QVariant power = mSlider.property("valuePowerOfTwoFrom");
        if (power.isValid())
            shown = qlonglong { 1 } << std::clamp(mSlider.value() + power.toInt(), 0, 62);
        const QString format = mSlider.property("valueFormat").toString();
        mValueLabel->setText(format.isEmpty() ? QString::number(shown) : format.arg(shown));
    }

    QSlider& mSlider;
    QLabel* mValueLabel;
};

class QtMatrix : public Matrix {
public:
    explicit QtMatrix(QButtonGroup& group)
        : mGroup(group)
    {
        for (QAbstractButton* cell : group.buttons())
            group.setId(cell, cell->property("tag").toInt());
        QObject::connect(&group, &QButtonGroup::idClicked, &mContext, [this] { sendAction(); });
    }
    void setEnabled(bool enabled) override
    {
        mEnabled = enabled;
        for (QAbstractButton* cell : mGroup.buttons())
            cell->setEnabled(enabled);
    }
    bool isEnabled() const override { return mEnabled; }
    bool selectCellWithTag(int tag) override
    {
        QAbstractButton* cell = mGroup.button(tag);
        if (cell)
            cell->setChecked(true);
        return cell != nullptr;
    }
    int selectedTag() const override { return mGroup.checkedId(); }
    void setCellEnabled(int tag, bool enabled) override
    {
        if (QAbstractButton* cell = mGroup.button(tag))
            cell->setEnabled(enabled);
    }
    bool isCellEnabled(int tag) const override
    {
        QAbstractButton* cell = mGroup.button(tag);
        return cell && cell->isEnabled();
    }
    std::vector<int> cellTags() const override
    {
        std::vector<int> tags;
        for (QAbstractButton* cell : mGroup.buttons())
            tags.push_back(mGroup.id(cell));
        return tags;
    }

private:
    QButtonGroup& mGroup;
    bool mEnabled { true };
    QObject mContext;
};

class QtLineField : public WidgetControl<TextField> {
public:
    explicit QtLineField(QLineEdit& edit)
        : WidgetControl(edit)
        , mEdit(edit)
    {
        QObject::connect(&edit, &QLineEdit::editingFinished, &mContext, [this] { sendAction(); });
    }
    std::string stringValue() const override { return mEdit.text().toStdString(); }
    void setStringValue(const std::string& text) override { mEdit.setText(QString::fromStdString(text)); }

private:
    QLineEdit& mEdit;
};

class QtLabelField : public WidgetControl<TextField> {
public:
    explicit QtLabelField(QLabel& label)
        : WidgetControl(label)
        , mLabel(label)
    {
    }
    std::string stringValue() const override { return mLabel.text().toStdString(); }
    void setStringValue(const std::string& text) override { mLabel.setText(QString::fromStdString(text)); }

private:
    QLabel& mLabel;
};

class QtPopUpButton : public WidgetControl<PopUpButton> {
public:
    explicit QtPopUpButton(QComboBox& box)
        : WidgetControl(box)
        , mBox(box)
    {
        QObject::connect(&box, &QComboBox::activated, &mContext, [this] { sendAction(); });
    }
    void removeAllItems() override { mBox.clear(); }
    void addItemsWithTitles(const std::vector<std::string>& titles) override
    {
        for (const auto& title : titles)
            mBox.addItem(QString::fromStdString(title));
    }
    void selectItemWithTitle(const std::string& title) override
    {
        mBox.setCurrentIndex(mBox.findText(QString::fromStdString(title), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    void selectItemAtIndex(int index) override { mBox.setCurrentIndex(index < mBox.count() ? index : -1); }
    int indexOfSelectedItem() const override { return mBox.currentIndex(); }
    std::optional<std::string> titleOfSelectedItem() const override
    {
        if (mBox.currentIndex() < 0)
            return std::nullopt;
        return mBox.itemText(mBox.currentIndex()).toStdString();
    }

private:
    QComboBox& mBox;
};

// Keeps the colour exactly as set, so that showing and saving an unchanged colour
// does not round it through Qt's 16-bit components.
class QtColorWell : public WidgetControl<ColorWell> {
public:
    explicit QtColorWell(QPushButton& button)
        : WidgetControl(button)
        , mButton(button)
    {
        QObject::connect(&button, &QPushButton::clicked, &mContext, [this] { pickColor(); });
        show();
    }
    Color color() const override { return mColor; }
    void setColor(const Color& color) override
    {
        mColor = color;
        show();
    }

private:
    QColor qtColor() const { return QColor::fromRgbF(mColor.red, mColor.green, mColor.blue, mColor.alpha); }

    void show()
    {
        const QSize size = mButton.iconSize() * 2;
        QPixmap swatch(size.width(), size.height() / 2);
        swatch.fill(qtColor());
        mButton.setIcon(swatch);
        mButton.setIconSize(swatch.size());
        mButton.setAccessibleDescription(qtColor().name());
    }

    void pickColor()
    {
        const QColor picked = QColorDialog::getColor(qtColor(), mButton.window(), mButton.accessibleName());
        if (!picked.isValid())
            return;
        setColor(Color { static_cast<float>(picked.redF()), static_cast<float>(picked.greenF()), static_cast<float>(picked.blueF()), 1.0f });
        sendAction();
    }

    QPushButton& mButton;
    Color mColor;
};

}

std::unique_ptr<Control> makeControl(QObject& object, QWidget& form)
{
    if (auto* group = qobject_cast<QButtonGroup*>(&object))
        return std::make_unique<QtMatrix>(*group);
    if (auto* slider = qobject_cast<QSlider*>(&object))
        return std::make_unique<QtSlider>(*slider, form.findChild<QLabel*>(slider->objectName() + "Value"));
    if (auto* box = qobject_cast<QCheckBox*>(&object))
        return std::make_unique<QtSwitch>(*box);
    if (auto* push = qobject_cast<QPushButton*>(&object); push && push->property("colorWell").toBool())
        return std::make_unique<QtColorWell>(*push);
    if (auto* button = qobject_cast<QAbstractButton*>(&object))
        return std::make_unique<QtButton>(*button);
    if (auto* edit = qobject_cast<QLineEdit*>(&object))
        return std::make_unique<QtLineField>(*edit);
    if (auto* label = qobject_cast<QLabel*>(&object))
        return std::make_unique<QtLabelField>(*label);
    if (auto* box = qobject_cast<QComboBox*>(&object))
        return std::make_unique<QtPopUpButton>(*box);
    return nullptr;
}
