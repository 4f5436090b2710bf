#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

/**
 * @brief The up and down arrows that the date and spin controls carry inside their right edge.
 *
 * A button steps once when pressed and, held down, again after 400 ms and then every 100 ms.
 * Pressing one first puts the focus into the owning edit, so the step acts where its caret is.
 */
class TSpinButtons : public QWidget
{
    Q_OBJECT
public:
    TSpinButtons(QLineEdit* owner, int width, int height);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

    /// Places the buttons at the owner's right edge, inside its frame, and keeps the owner at
    /// least as high as the layout rule asks. @p gap is the room left between text and buttons.
    void place(int gap);

    /// The lowest height of a date or spin control: four border widths, the font height, a
    /// quarter of the smaller of the system font's and the control font's heights, and 2.
    static int minimumEditHeight(const QWidget* edit);

signals:
    void up();
    void down();

private:
    QLineEdit* m_owner;
    QToolButton* m_up;
    QToolButton* m_down;
};
