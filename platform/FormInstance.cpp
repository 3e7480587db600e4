#include "platform/FormInstance.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <vector>

#include "platform/Form.h"

namespace {

std::vector<FormInstanceBase*>& Registry() {
    static std::vector<FormInstanceBase*> instances;
    return instances;
}

}  // namespace

FormInstanceBase::FormInstanceBase() { Registry().push_back(this); }

FormInstanceBase::~FormInstanceBase() {
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    // An object still held here outlived the application (no Run() end): it is left alone,
    // as deleting widgets without a QApplication is not possible.
}

void FormInstanceBase::Release() {
    if (Form* f = m_form.data()) {
        m_form = nullptr;
        f->deleteLater();
    }
}

void FormInstanceBase::ReleaseAll() {
    for (FormInstanceBase* i : Registry()) i->Release();
    FlushReleased();
}

void FormInstanceBase::FlushReleased() {
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
