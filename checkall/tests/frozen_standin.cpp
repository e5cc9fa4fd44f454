// A stand-in for a program under test that stops answering once its window is up, as one
// blocked in a database call does: its window "Test Data Access" with its two buttons shows, then
// after FREEZE_AFTER_MS (default 3000) its only thread sleeps for good.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <unistd.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Test Data Access"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QPushButton(QStringLiteral("Test Connection"), &window));
    layout->addWidget(new QPushButton(QStringLiteral("Fill Grid"), &window));
    window.show();
    bool ok = false;
    const int after = qEnvironmentVariableIntValue("FREEZE_AFTER_MS", &ok);
    QTimer::singleShot(ok ? after : 3000, [] {
        for (;;)
            ::pause();
    });
    return app.exec();
}
