#include "platform/StatusBar.h"

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
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
