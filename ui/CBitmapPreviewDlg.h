#pragma once
// "Bitmap Playback Display": shows one stored bitmap item on the module's
// screen shape and lets the user pick a new ignore colour from it.

#include "ui/BitmapItemFrame.h"
#include "ui/IgnoreColor.h"

#include <QDialog>
#include <QImage>

#include <cstdint>
#include <span>

class QLineEdit;
class QFrame;
class QPushButton;

namespace zarn::ui {

class CBitmapPreviewDlg;

// The black-framed control the item is drawn into. Presses fall through to the dialog.
class BitmapItemView : public QWidget {
    Q_OBJECT
public:
    explicit BitmapItemView(CBitmapPreviewDlg* owner);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    CBitmapPreviewDlg* m_owner;
};

class CBitmapPreviewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBitmapPreviewDlg(QWidget* parent = nullptr);

    void setScreenSize(std::uint16_t width, std::uint16_t height);
    void setIgnoreColor(std::uint16_t value);
    // `data` belongs to the caller and must outlive the dialog.
    void setItem(std::uint16_t width, std::uint16_t height, std::span<const std::uint8_t> data, std::uint8_t kind);

    // Moves the frame to its fitted place; done once when the dialog first shows.
    void fitFrame();
    // The picture the frame shows: blue screen box, item pixels as isotropic points.
    QImage renderFrame(QSize size) const;
    // A press at `pos` (dialog coordinates) inside the frame picks the colour shown there.
    bool pickAt(QPoint pos);

    QWidget* frameControl() const;
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLineEdit* ignoreColorField() const { return m_field; }

    std::uint16_t m_wScreenWidth = 320, m_wScreenHeight = 240;
    std::uint16_t m_wIgnoreColor = 0;
    Rgb m_crIgnoreColor {};
    std::string m_strIgnoreColor;
    bool m_bPicked = false;
    FrameRect m_rcFrame {};
    std::uint16_t m_wWidth = 0, m_wHeight = 0;
    std::span<const std::uint8_t> m_pData;
    std::uint8_t m_nKind = 0;

protected:
    void showEvent(QShowEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    void updateFields();

    BitmapItemView* m_frame;
    QLineEdit* m_field;
    QFrame* m_swatch;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_fitted = false;
};

} // namespace zarn::ui
