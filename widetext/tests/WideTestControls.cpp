// Helpers of the wide-control tests: screenshots and what windows show.
#include "WideTestControls.h"

#include <QDir>

namespace widetest {

std::string shotPath(const std::string& name) {
    const QString dir = QStringLiteral("/tmp/shots/wide14");
    QDir().mkpath(dir);
    return (dir + QStringLiteral("/") + QString::fromStdString(name)).toStdString();
}

QImage saveShot(TWinControl* Control, const std::string& name) {
    QWidget* w = platform::windowWidget(Control->Handle());
    if (!w) return QImage();
    const QImage image = w->grab().toImage();
    image.save(QString::fromStdString(shotPath(name)));
    return image;
}

WideString windowTitle(TWinControl* Form) {
    QWidget* w = platform::windowWidget(Form->Handle());
    return w ? w->window()->windowTitle().toStdU16String() : WideString();
}

int inkPixels(const QImage& Image) {
    int ink = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (qGray(Image.pixel(x, y)) < 128) ++ink;
    return ink;
}

}  // namespace widetest
