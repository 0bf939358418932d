// The main window's status bar: four text panels, numbered from 1, each with
// its tool tip. Panels 1 to 3 are narrow; panel 4 takes the rest.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <array>

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // n from 1 to 4; other numbers are ignored / give an empty text.
    void SetPanel(int n, const QString& text);
    QString Panel(int n) const;
    QLabel* PanelLabel(int n) const;
    // A note left of the panels (whole in its tool tip), hidden when empty.
    void SetNote(const QString& text);
    QString Note() const;

private:
    std::array<QLabel*, 4> panels_{};
    QLabel* note_ = nullptr;
};
