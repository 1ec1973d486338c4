#pragma once

#include <QString>

// A file chosen in a file dialog: its full path and its title (name without folder).
// An empty path means the user cancelled.
struct FileChoice {
    QString path;
    QString title;
    bool cancelled() const { return path.isEmpty(); }
};

// The answer to "save the unsaved work first?": save it, go on without it, or stay with it.
enum class SaveChoice { Save, Discard, Cancel };

// Asks the user for file names and shows modal message boxes, so that the procedures can run
// behind a window, a command line or a test without knowing which.
class DialogService
{
public:
    virtual ~DialogService() = default;

    // Shows an Open dialog with a filter such as "Print Files(*.prn) or Text
    // Files(*.txt)|*.prn;*.txt".
    virtual FileChoice openFileName(const QString &filter) = 0;
    // Shows a Save dialog; the name is used as typed, an existing file is overwritten unasked.
    virtual FileChoice saveFileName(const QString &filter) = 0;
    // A modal message box with a stop icon and an OK button; returns once it has been closed.
    virtual void showMessage(const QString &text, const QString &title) = 0;
    // A modal message box with a warning icon and an OK button, with details (such as device
    // addresses) that the operator may unfold; returns once it has been closed.
    virtual void showWarning(const QString &text, const QString &title, const QString &details) = 0;
    // A modal message box with a warning icon and an OK button, for advice that does not stop
    // anything; shown as a message where the service has no other kind.
    virtual void showNotice(const QString &text, const QString &title) { showMessage(text, title); }
    // A modal question with Yes and No buttons; true for Yes. Where nobody can answer, the
    // question is shown as a warning and answered Yes.
    virtual bool askYesNo(const QString &text, const QString &title) = 0;
    // Asks whether to save unsaved work before it is replaced or the program ends.
    virtual SaveChoice askToSave(const QString &text) = 0;
};
