// The yardstick for Varnel's start-up: a Qt Widgets program that shows one label.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label("Minimal Qt label");
  label.setWindowTitle("Minimal Qt label");
  label.show();
  return app.exec();
}
