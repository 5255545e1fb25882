#include "Main.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lirmus");
    QApplication::setApplicationVersion(QString("%1.%2").arg(LIRMUS_VERSION_MAJOR).arg(LIRMUS_VERSION_MINOR));
    QApplication::setWindowIcon(QIcon(":/lirmus/lirmus.png"));
    return lirmus::Main(QApplication::arguments());
}
