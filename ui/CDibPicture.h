#pragma once
// The main window's picture control: holds the BMP loaded last (zarn::LoadedPicture)
// and draws it stretched into the module's screen box over blue.

#include "import/LoadedPicture.h"

#include <QImage>
#include <QWidget>

namespace zarn::ui {

class CDibPicture : public QWidget {
    Q_OBJECT
public:
    explicit CDibPicture(QWidget* parent = nullptr);

    zarn::LoadedPicture& picture() { return m_pic; }
    const zarn::LoadedPicture& picture() const { return m_pic; }

    // Call after the held picture changed (a file was read).
    void pictureChanged();
    // What the control shows at `size`: the box stretched over the whole area,
    // blue, with the source picture drawn into its fitted rectangle.
    QImage render(QSize size) const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    zarn::LoadedPicture m_pic;
    QImage m_source; // the held picture as an image, rebuilt when it changes
};

} // namespace zarn::ui
