#include "support/WindowSupport.h"

#include <QWidget>
#include <QtTest>

void CheckTabOrder(std::initializer_list<QWidget*> order)
{
    for (auto it = order.begin(); it + 1 < order.end(); ++it) {
        QWidget* next = (*it)->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, *(it + 1));
    }
}
