#pragma once

#include <QComboBox>

namespace platform
{

// A drop-down list. A screen reader finds its entries only while the list is dropped down;
// closed, it tells its name and its entry, so reading a window costs the same however long
// the list is.
class ComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBox(QWidget *parent = nullptr);
};

} // namespace platform
