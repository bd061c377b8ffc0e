#include "forms/qt/ControlWidgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "forms/qt/Colors.h"
#include "forms/qt/Fonts.h"
#include "forms/qt/FrameBox.h"
#include "forms/qt/LineWidget.h"
#include "forms/qt/PictureWidget.h"
#include "forms/qt/Strings.h"
#include "forms/qt/Units.h"

namespace forms::qt {

namespace {

// A button caption too wide for its button wraps onto further lines at its
// blanks, as classic buttons do; Qt's buttons only break at line feeds.
QString wrappedCaption(const QString& caption, const QFont& font, int width) {
    QFontMetrics metrics(font);
    auto shown = [](QString text) { return text.remove(QLatin1Char('&')); };
    if (width <= 0 || metrics.horizontalAdvance(shown(caption)) <= width) {
        return caption;
    }
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(shown(longer)) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join(QLatin1Char('\n'));
}

// The widget shows what the control holds now, which it does not report back
// as the user's change.
void showValue(QCheckBox* box, const CheckBox& check) {
    QSignalBlocker block(box);
    box->setCheckState(check.Value() == 0   ? Qt::Unchecked
                       : check.Value() == 1 ? Qt::Checked
                                            : Qt::PartiallyChecked);
}

void showText(QLineEdit* edit, const TextBox& box) {
    QString text = qstr(box.Text());
    if (edit->text() != text) {
        QSignalBlocker block(edit);
        edit->setText(text);
    }
}

// The control's BackColor and ForeColor, in the roles of the palette that
// its widget paints them with.
void setColors(QPalette& palette, const Control& control, QPalette::ColorRole back,
               QPalette::ColorRole fore) {
    setRole(palette, back, control.BackColor());
    setRole(palette, fore, control.ForeColor());
}

}  // namespace

ControlWidgets::ControlWidgets(Pictures& pictures, Deliver deliver)
    : pictures_(pictures), deliver_(std::move(deliver)) {}

void ControlWidgets::click(Control& control) {
    deliver_([&control] { control.userClick(); });
}

QWidget* ControlWidgets::create(FormWindow& window, Control& control) {
    QWidget* widget = nullptr;
    switch (control.Kind()) {
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(window.client);
            // Enter presses the focused button, as users of dialogs expect.
            button->setAutoDefault(true);
            QObject::connect(button, &QPushButton::clicked, button,
                             [this, &control] { click(control); });
            widget = button;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(window.client);
            // Classic check boxes keep their caption close to the box; the
            // wider default gap would cut off captions laid out for them.
            box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
            auto* check = static_cast<CheckBox*>(&control);
            // Qt has already ticked the box; the control decides the value
            // and the widget is brought back in line with it.
            QObject::connect(box, &QCheckBox::clicked, box, [this, box, check] {
                click(*check);
                showValue(box, *check);
            });
            widget = box;
            break;
        }
        case ControlKind::Image: {
            auto* image = new PictureWidget(window.client);
            image->onClick = [this, &control] { click(control); };
            widget = image;
            break;
        }
        case ControlKind::PictureBox:
            widget = new PictureWidget(window.client);
            break;
        case ControlKind::Label: {
            auto* label = new QLabel(window.client);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = new QLineEdit(window.client);
            auto* box = static_cast<TextBox*>(&control);
            QObject::connect(edit, &QLineEdit::textEdited, edit,
                             [this, edit, box](const QString& text) {
                                 std::string typed = utf8(text);
                                 deliver_([box, typed] { box->userType(typed); });
                                 showText(edit, *box);
                             });
            widget = edit;
            break;
        }
        case ControlKind::Frame:
            widget = new FrameBox(window.client);
            break;
        case ControlKind::Line:
            widget = new LineWidget(window.client);
            break;
        case ControlKind::Timer: {
            auto* timer = static_cast<Timer*>(&control);
            auto* qtimer = new QTimer(&window);
            // Qt's default coarse timers may fire up to 5% early; the
            // program's waits (the start-up screen, the launch) are minimums.
            qtimer->setTimerType(Qt::PreciseTimer);
            // The tick runs from a posted call, not inside the timer's own
            // event: Qt never delivers a timer's event again while the last
            // one is still being handled, but the program's timers tick on
            // inside a message box or modal form that their own tick opens
            // (the headless back end behaves the same). So ticks may
            // re-enter; the program guards where that matters.
            QObject::connect(qtimer, &QTimer::timeout, qtimer, [this, qtimer, timer] {
                QMetaObject::invokeMethod(
                    qtimer,
                    [this, qtimer, timer] {
                        if (qtimer->isActive()) {
                            deliver_([timer] { timer->tick(); });
                        }
                    },
                    Qt::QueuedConnection);
            });
            window.timers[timer] = qtimer;
            return nullptr;
        }
    }
    widget->setObjectName(qstr(control.Name()));
    window.widgets[&control] = widget;
    return widget;
}

void ControlWidgets::apply(FormWindow& window, Control& control) {
    auto found = window.widgets.find(&control);
    if (found == window.widgets.end()) {
        return;
    }
    QWidget* widget = found->second;
    QWidget* parent = window.client;
    if (Frame* frame = control.Container()) {
        auto it = window.widgets.find(frame);
        if (it != window.widgets.end()) {
            parent = it->second;
        }
    }
    if (widget->parentWidget() != parent) {
        widget->setParent(parent);
    }
    widget->setEnabled(control.Enabled());
    widget->setToolTip(qstr(control.ToolTipText()));
    widget->setFont(toQFont(control.Font()));
    if (!control.focusable()) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else if (control.TabStop()) {
        widget->setFocusPolicy(Qt::StrongFocus);
    } else {
        // Out of the tab order; a text box can still be clicked into.
        widget->setFocusPolicy(control.Kind() == ControlKind::TextBox ? Qt::ClickFocus
                                                                      : Qt::NoFocus);
    }

    QRect rect(px(control.Left()), px(control.Top()), px(control.Width()), px(control.Height()));
    QPalette palette = QApplication::palette(widget);
    switch (control.Kind()) {
        case ControlKind::CommandButton: {
            auto& button = static_cast<CommandButton&>(control);
            auto* push = static_cast<QPushButton*>(widget);
            // The frame and margins of a button take about 4 px a side.
            push->setText(
                wrappedCaption(qstr(button.Caption()), toQFont(control.Font()), rect.width() - 8));
            push->setDefault(button.Default());
            setColors(palette, control, QPalette::Button, QPalette::ButtonText);
            break;
        }
        case ControlKind::CheckBox: {
            auto& check = static_cast<CheckBox&>(control);
            auto* box = static_cast<QCheckBox*>(widget);
            box->setText(qstr(check.Caption()));
            showValue(box, check);
            box->setAutoFillBackground(true);
            setColors(palette, control, QPalette::Window, QPalette::WindowText);
            break;
        }
        case ControlKind::Image: {
            auto& image = static_cast<Image&>(control);
            auto* box = static_cast<PictureWidget*>(widget);
            box->picture = pictures_.picture(image.Picture());
            box->stretch = image.Stretch();
            if (!image.Stretch() && !box->picture.isNull()) {
                rect.setSize(box->picture.size());
            }
            box->update();
            break;
        }
        case ControlKind::PictureBox: {
            auto& pictureBox = static_cast<PictureBox&>(control);
            auto* box = static_cast<PictureWidget*>(widget);
            box->picture = pictures_.picture(pictureBox.Picture());
            box->bordered = pictureBox.Bordered();
            box->setAutoFillBackground(true);
            setRole(palette, QPalette::Window, control.BackColor());
            box->update();
            break;
        }
        case ControlKind::Label: {
            auto& label = static_cast<Label&>(control);
            auto* text = static_cast<QLabel*>(widget);
            text->setText(multiline(displayCaption(label.Caption())));
            Qt::Alignment horizontal = label.Alignment() == Alignment::Right    ? Qt::AlignRight
                                       : label.Alignment() == Alignment::Center ? Qt::AlignHCenter
                                                                                : Qt::AlignLeft;
            text->setAlignment(horizontal | Qt::AlignTop);
            text->setWordWrap(label.WordWrap());
            text->setAutoFillBackground(!label.Transparent());
            setColors(palette, control, QPalette::Window, QPalette::WindowText);
            if (label.AutoSize()) {
                text->setPalette(palette);
                QSize size = label.WordWrap()
                                 ? QSize(rect.width(), text->heightForWidth(rect.width()))
                                 : text->sizeHint();
                int right = rect.x() + rect.width();
                int left = label.Alignment() == Alignment::Right ? right - size.width() : rect.x();
                rect = QRect(QPoint(left, rect.y()), size);
            }
            break;
        }
        case ControlKind::TextBox: {
            auto& box = static_cast<TextBox&>(control);
            auto* edit = static_cast<QLineEdit*>(widget);
            showText(edit, box);
            edit->setReadOnly(box.Locked());
            setColors(palette, control, QPalette::Base, QPalette::Text);
            break;
        }
        case ControlKind::Frame: {
            auto* group = static_cast<QGroupBox*>(widget);
            group->setTitle(qstr(static_cast<Frame&>(control).Caption()));
            group->setAutoFillBackground(true);
            setColors(palette, control, QPalette::Window, QPalette::WindowText);
            break;
        }
        case ControlKind::Line: {
            auto& line = static_cast<Line&>(control);
            auto* painted = static_cast<LineWidget*>(widget);
            QPoint a(px(line.X1()), px(line.Y1()));
            QPoint b(px(line.X2()), px(line.Y2()));
            QRect box(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
            painted->from = a - box.topLeft();
            painted->to = b - box.topLeft();
            painted->color = resolve(line.BorderColor());
            painted->update();
            rect = box;
            break;
        }
        case ControlKind::Timer:
            return;
    }
    widget->setPalette(palette);
    widget->setGeometry(rect);
    widget->setVisible(control.Visible());
}

void ControlWidgets::applyTimer(FormWindow& window, Timer& timer) {
    auto it = window.timers.find(&timer);
    if (it == window.timers.end()) {
        return;
    }
    QTimer* qtimer = it->second;
    bool active = timer.Parent().Loaded() && timer.Enabled() && timer.Interval() > 0;
    if (!active) {
        qtimer->stop();
    } else if (!qtimer->isActive() || qtimer->interval() != timer.Interval()) {
        // An unchanged running timer keeps its rhythm.
        qtimer->start(timer.Interval());
    }
}

}  // namespace forms::qt
