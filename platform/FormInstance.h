#pragma once
// A program-wide form instance that is created on first use, again after it was released,
// and released on request:
//
//   FormInstance<MainForm> fMain;
//   fMain->Show();      // creates the MainForm object if there is none
//   fMain.Release();    // drops it; a later fMain-> creates a new one
//
// Releasing does not unload a loaded form's window by itself (the object's destructor destroys
// it without running Form_Unload); release after Unload. The object is deleted when control
// returns to the event loop, so a form may release its own instance inside its handlers.

#include <QObject>
#include <QPointer>

class Form;

// Common part of every instance: the program releases all of them at its end.
class FormInstanceBase {
  public:
    FormInstanceBase();
    virtual ~FormInstanceBase();
    FormInstanceBase(const FormInstanceBase&) = delete;
    FormInstanceBase& operator=(const FormInstanceBase&) = delete;

    // Drops the object (deleted later, when control is back in an event loop or when
    // FlushReleased runs).
    void Release();
    bool Exists() const { return m_form != nullptr; }

    // Releases every instance in the program and deletes the released objects at once.
    static void ReleaseAll();
    // Deletes the objects released so far (safe only outside their handlers).
    static void FlushReleased();

  protected:
    QPointer<Form> m_form;
};

template <class T>
class FormInstance : public FormInstanceBase {
  public:
    T& operator*() { return Get(); }
    T* operator->() { return &Get(); }
    T& Get() {
        if (!m_form) m_form = new T();
        return static_cast<T&>(*m_form);
    }
};
