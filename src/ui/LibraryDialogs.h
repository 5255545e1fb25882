#pragma once
// The message boxes and file, text and yes/no questions of the library
// windows, behind functions so that tests answer them.
#include <QString>

#include <functional>

class QWidget;

namespace lirmus {

struct LibraryDialogs {
    enum class Icon { Information, Exclamation, Critical };
    struct FileChoice {
        QString title, filter, defaultSuffix, initial;
        bool save = false;
    };

    std::function<void(const QString& text, Icon icon)> message;
    /// A Yes/No question; true for Yes.
    std::function<bool(const QString& question)> confirm;
    /// A text asked for; "" when cancelled.
    std::function<QString(const QString& prompt, const QString& title, const QString& initial)> input;
    /// A file chosen in the open or save dialog; "" when cancelled.
    std::function<QString(const FileChoice& choice)> chooseFile;
    /// A folder chosen, starting at initial; "" when cancelled.
    std::function<QString(const QString& title, const QString& initial)> chooseFolder;

    /// The real dialogs, over parent.
    static LibraryDialogs standard(QWidget* parent);
};

/// The hourglass while a long operation runs, the normal pointer after it, also on failure.
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

} // namespace lirmus
