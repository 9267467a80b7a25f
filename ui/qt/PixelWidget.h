#pragma once
// A control that shows a PixelImage 1:1. Presses fall through to the window
// that holds it, which hands them to the state's pick.

#include "ui/PixelImage.h"

#include <QImage>
#include <QWidget>

namespace zarn::ui {

QImage toQImage(const PixelImage& image);

class PixelWidget : public QWidget {
    Q_OBJECT
public:
    explicit PixelWidget(QWidget* parent = nullptr);
    void setImage(const PixelImage& image);
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_image;
};

} // namespace zarn::ui
