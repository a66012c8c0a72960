#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vimo {

// A pair of arrow buttons attached to an edit field (its buddy): each click, and the Up and
// Down keys in the buddy, set the buddy's text to its number plus or minus one, kept within
// the range. The buddy stays a plain edit field, so any text can still be typed into it.
class UpDownControl : public QWidget
{
    Q_OBJECT

public:
    UpDownControl(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Steps the buddy's number by `delta` within the range.
    void step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum;
    int m_maximum;
    int m_position; // the last number the buddy held, used when its text is no number
};

} // namespace vimo
