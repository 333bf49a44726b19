#pragma once

#include <QPointer>

namespace tapwright::ui {

/// The one loaded instance of a window. It is created and loaded on first
/// use, and forgotten as soon as the window is closed: the deletion comes only
/// later, from the event loop, and a use in between must load a fresh window
/// rather than get the one about to vanish.
template <typename Form> class LoadedForm
{
public:
    Form *get()
    {
        if (!form_) {
            // Known before its load runs: a load may look for its own window
            // (the typing window places itself under the keypad).
            form_ = new Form;
            form_->Form_Load();
        }
        return form_;
    }
    bool exists() const { return !form_.isNull(); }
    /// Called from the window's close.
    void forget(const Form *form)
    {
        if (form_ == form)
            form_.clear();
    }

private:
    QPointer<Form> form_;
};

} // namespace tapwright::ui
