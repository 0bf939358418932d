#include "platform/WindowFrame.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QCoreApplication>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

void SetDialogFrame(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint);
}

// The resource lives in a static library: it is registered on first use.
static void InitIconResource() { Q_INIT_RESOURCE(icon); }

QIcon QuirraIcon()
{
    static const QIcon icon = [] {
        InitIconResource();
        return QIcon(QStringLiteral(":/quirra.svg"));
    }();
    return icon;
}

int TextWidthNeeded(const QWidget* control)
{
    if (auto* list = qobject_cast<const QListWidget*>(control)) {
        if (!list->count())
            return 0;
        // The widest entry, the frame, and the scroll bar when the rows need one.
        const int frame = 2 * list->frameWidth();
        const bool scrolls = list->count() * list->sizeHintForRow(0) > list->height() - frame;
        const int bar = scrolls ? list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) : 0;
        return list->sizeHintForColumn(0) + frame + bar;
    }
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text().isEmpty() || label->wordWrap() ? 0 : label->sizeHint().width();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title().isEmpty() ? 0 : group->minimumSizeHint().width();
    if (auto* push = qobject_cast<const QPushButton*>(control))
        return push->text().isEmpty() ? 0 : push->width() - PushButtonRoom(push) + PushButtonText(push);
    if (auto* edit = qobject_cast<const QLineEdit*>(control); edit && edit->isReadOnly() && !edit->text().isEmpty()) {
        // A field that shows a value to copy shows all of it.
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QMargins m = edit->textMargins();
        const QSize text(edit->fontMetrics().horizontalAdvance(edit->text()) + 4 + m.left() + m.right(), edit->height());
        return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit).width();
    }
    if (qobject_cast<const QComboBox*>(control) || qobject_cast<const QAbstractButton*>(control))
        return control->sizeHint().width();
    return 0;
}

int PushButtonText(const QPushButton* button)
{
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
}

int PushButtonRoom(const QPushButton* button)
{
    // A text button's own size hint asks for a minimum width that many
    // short captions do not need; what counts is the room the style gives
    // the text inside the frame.
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

namespace {

int RightmostChild(const QWidget* parent)
{
    int right = 0;
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            right = std::max(right, child->geometry().right());
    return right;
}

// The room between the rightmost child and the parent's right edge, kept
// when the children grow past the edge.
int Margin(const QWidget* parent, int rightmost) { return std::max(0, parent->width() - 1 - rightmost); }

// A list drawn with part of a row at its foot, when there are more rows than
// fit, loses that part: every visible row is whole.
void WholeRows(QListWidget* list)
{
    const int row = list->count() ? list->sizeHintForRow(0) : 0;
    const int frame = 2 * list->frameWidth();
    const int area = list->height() - frame;
    if (row > 0 && list->count() * row > area && area >= row)
        list->resize(list->width(), frame + area / row * row);
}

// Widens `control` by `by`, moving the siblings that start at or right of its
// old right edge and overlap it in height, then its parent when the children
// no longer fit in it.
void Widen(QWidget* control, int by)
{
    QWidget* parent = control->parentWidget();
    const QRect old = control->geometry();
    if (!parent) {
        control->resize(old.width() + by, old.height());
        return;
    }
    const int oldRight = RightmostChild(parent);
    control->resize(old.width() + by, old.height());
    for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect g = sibling->geometry();
        if (sibling == control || sibling->isWindow() || g.left() < old.right())
            continue;
        if (g.bottom() < old.top() || g.top() > old.bottom())
            continue;
        sibling->move(g.left() + by, g.top());
    }
    // The parent keeps the margin it had to its rightmost child.
    const int need = RightmostChild(parent) + 1 + Margin(parent, oldRight) - parent->width();
    if (need <= 0)
        return;
    if (parent->isWindow()) {
        const bool fixed = parent->minimumSize() == parent->maximumSize();
        const QSize size(parent->width() + need, parent->height());
        if (fixed)
            parent->setFixedSize(size);
        else
            parent->resize(size);
        return;
    }
    Widen(parent, need);
}

void FitChildren(QWidget* parent)
{
    for (QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue;
        if (qobject_cast<QGroupBox*>(control))
            FitChildren(control);
        if (auto* list = qobject_cast<QListWidget*>(control))
            WholeRows(list);
        const int need = TextWidthNeeded(control);
        if (need > control->width())
            Widen(control, need - control->width());
    }
}

}  // namespace

void FitToText(QWidget* window)
{
    window->ensurePolished();
    FitChildren(window);
}

QRect FitOnScreen(const QRect& window, const QMargins& frame, const QRect& available)
{
    const QRect room = available.marginsRemoved(frame);
    const int width = std::max(1, std::min(window.width(), room.width()));
    const int height = std::max(1, std::min(window.height(), room.height()));
    const int x = std::clamp(window.x(), room.left(), std::max(room.left(), room.right() + 1 - width));
    const int y = std::clamp(window.y(), room.top(), std::max(room.top(), room.bottom() + 1 - height));
    return QRect(x, y, width, height);
}

void PlaceOnScreen(QWidget* window)
{
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect content = window->geometry();
    const QRect outer = window->frameGeometry();
    QMargins frame(content.left() - outer.left(), content.top() - outer.top(), outer.right() - content.right(),
                   outer.bottom() - content.bottom());
    if (frame.isNull()) {
        // Not framed yet: a title bar and thin borders, as most window managers draw them.
        const int border = 4;
        const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        frame = QMargins(border, title + border, border, border);
    }
    const QRect placed = FitOnScreen(content, frame, screen->availableGeometry());
    if (placed.size() != content.size()) {
        if (window->minimumSize() == window->maximumSize())
            window->setFixedSize(placed.size());
        else
            window->resize(placed.size());
    }
    if (placed.topLeft() != content.topLeft())
        window->move(placed.topLeft() - QPoint(content.left() - outer.left(), content.top() - outer.top()));
}

namespace {
// Places each top-level window as it is shown, before the window system maps it.
class ScreenPlacer : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            const Qt::WindowType type = w->windowType();
            if (w->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::SplashScreen))
                PlaceOnScreen(w);
        }
        return false;
    }
};
}  // namespace

void PlaceEveryWindowOnScreen()
{
    static ScreenPlacer* placer = nullptr;
    if (placer || !QCoreApplication::instance())
        return;
    placer = new ScreenPlacer(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(placer);
}

void FitLabelHeight(QLabel* label)
{
    const int grow = label->heightForWidth(label->width()) - label->height();
    QWidget* parent = label->parentWidget();
    if (grow <= 0 || !parent)
        return;
    const int oldBottom = label->geometry().bottom();
    label->resize(label->width(), label->height() + grow);
    for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (sibling != label && !sibling->isWindow() && sibling->y() > oldBottom)
            sibling->move(sibling->x(), sibling->y() + grow);
    const QSize size(parent->width(), parent->height() + grow);
    if (parent->minimumSize() == parent->maximumSize())
        parent->setFixedSize(size);
    else
        parent->resize(size);
}
