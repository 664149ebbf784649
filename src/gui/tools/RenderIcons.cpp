// Renders the program's SVG icon as the PNG sizes of the desktop's icon theme, at build
// time: render_icons ICON.svg OUTDIR writes OUTDIR/<n>x<n>/apps/quantorial.png.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render_icons ICON.svg OUTDIR\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_icons: cannot read %s\n", argv[1]);
    return 1;
  }
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    QDir().mkpath(dir);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    if (!image.save(dir + "/quantorial.png")) {
      std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
