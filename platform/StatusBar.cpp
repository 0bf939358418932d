#include "platform/StatusBar.h"

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    // The note takes what room the panels leave and never widens the window.
    note_ = new QLabel(this);
    note_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    note_->setStyleSheet(QStringLiteral("color: #a00000"));
    note_->hide();
    addWidget(note_, 1);
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setContentsMargins(4, 0, 4, 0);
        if (i < 3)
            label->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 10);
        addPermanentWidget(label, i < 3 ? 0 : 1);
        panels_[i] = label;
    }
}

QLabel* StatusBar::PanelLabel(int n) const
{
    if (n < 1 || n > 4)
        return nullptr;
    return panels_[n - 1];
}

void StatusBar::SetPanel(int n, const QString& text)
{
    if (QLabel* label = PanelLabel(n))
        label->setText(text);
}

QString StatusBar::Panel(int n) const
{
    const QLabel* label = PanelLabel(n);
    return label ? label->text() : QString();
}

void StatusBar::SetNote(const QString& text)
{
    note_->setText(text);
    note_->setToolTip(text);
    note_->setVisible(!text.isEmpty());
}

QString StatusBar::Note() const { return note_->text(); }
