// Answers modal dialogs and message boxes that the code under test opens.
//
// Queue one action per expected modal widget; while the code under test runs its modal
// loop, a timer finds the active modal widget, records its title and text, and runs the
// next action on it (press a button, fill a field, accept).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

namespace halvex::test {

struct SeenModal {
    QString className;
    QString title;
    QString text;  // message box text, empty for other dialogs
};

class ModalAnswerer : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void(QWidget*)>;

    ModalAnswerer();

    // Adds an action for the next modal widget that appears.
    ModalAnswerer& Then(Action action);
    const std::vector<SeenModal>& Seen() const { return seen_; }

    // Clicks the button whose text (without '&') is `text`.
    static Action Press(const QString& text);

private:
    void Poll();

    QTimer timer_;
    std::deque<Action> actions_;
    std::vector<SeenModal> seen_;
    QPointer<QWidget> last_;
};

}  // namespace halvex::test
