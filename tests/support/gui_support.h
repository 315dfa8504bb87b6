// Helpers of the widget tests.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace orvex::test {

/// Accepts every modal message box that comes up while it lives and
/// remembers its title and text, so a test can both dismiss and check it.
class BoxCloser {
public:
    BoxCloser()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titles.push_back(box->windowTitle());
                texts.push_back(box->text());
                box->accept();
            }
        });
        timer_.start(5);
    }
    std::vector<QString> titles;
    std::vector<QString> texts;

private:
    QTimer timer_;
};

} // namespace orvex::test
