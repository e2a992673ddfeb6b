// The six output pages: each one drag-and-drop tree that shows an OutputPage of the dialog
// model (its outputs at the top level, their assignments below). The page kinds differ only in
// the model's content, so each is a named frame around the same view.
#pragma once

#include <QWidget>

#include "model/DialogModel.h"

namespace halvex {

class CDragTreeCtrl;

class COutputPage : public QWidget {
    Q_OBJECT
public:
    explicit COutputPage(const QString& name);

    // Creates the tree and shows page `slot` of `model`.
    void InitPage(DialogModel& model, int slot);

    CDragTreeCtrl* Tree() const { return tree_; }

private:
    CDragTreeCtrl* tree_ = nullptr;
};

// "Scene Out 1" / "Scene Out 2": one output per host scene.
class CScenePage : public COutputPage {
    Q_OBJECT
public:
    CScenePage() : COutputPage(QStringLiteral("CScenePage")) {}
};

// "Dimmer Out 1" / "Dimmer Out 2": the 512 DMX channels of one output.
class CDimmerPage : public COutputPage {
    Q_OBJECT
public:
    CDimmerPage() : COutputPage(QStringLiteral("CDimmerPage")) {}
};

// "Device 1" / "Device 2": one output per device of the host's device table.
class CDevicePage : public COutputPage {
    Q_OBJECT
public:
    CDevicePage() : COutputPage(QStringLiteral("CDevicePage")) {}
};

}  // namespace halvex
