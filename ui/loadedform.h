#pragma once

#include <QCloseEvent>
#include <QPointer>
#include <QWidget>

namespace tapwright::ui {

/// A window that exists at most once, reached through instance(). It is
/// created and loaded on first use, and forgotten as soon as it is closed:
/// the deletion comes only later, from the event loop, and a use in between
/// must load a fresh window rather than get the one about to vanish.
///
/// `Form` derives from LoadedForm<Form, Base>, makes it a friend (its
/// constructor and Form_Load() stay private), and calls closeEvent() of this
/// class from its own, if it has one.
template <typename Form, typename Base = QWidget> class LoadedForm : public Base
{
public:
    using Base::Base;

    /// The window, created (and loaded) on first use.
    static Form *instance()
    {
        if (!form_) {
            // Known before its load runs: a load may look for its own window
            // (the typing window places itself under the keypad).
            form_ = new Form;
            form_->Form_Load();
        }
        return form_;
    }
    /// Whether it is loaded; closing it unloads it.
    static bool exists() { return !form_.isNull(); }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (form_.data() == static_cast<Form *>(this))
            form_.clear();
        Base::closeEvent(event);
    }

private:
    inline static QPointer<Form> form_;
};

} // namespace tapwright::ui
