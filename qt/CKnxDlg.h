// The main configuration dialog of one scene object.
//
// Left: the catalogue of group addresses (KNX, WLAN) or learnt transmitters (EnOcean) in a
// tree; right: the page tab control with the six output pages and the network page. The
// dialog shows its DialogModel and forwards the user's actions to it; the model decides.
#pragma once

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

#include "engine/net/GatewayEvents.h"
#include "model/DialogModel.h"

class QCheckBox;
class QTreeWidgetItem;
class QLabel;
class QPushButton;

namespace halvex {

class CDragTreeCtrl;
class CPageTabCtrl;
class CDeviceSettingsPage;

class CKnxDlg : public QDialog, public GatewayEventSink {
    Q_OBJECT
public:
    explicit CKnxDlg(QWidget* parent = nullptr);
    ~CKnxDlg() override;

    // Before the dialog runs: the model empties the catalogue and reads the record's names.
    void PrepareCatalogue();
    // Builds tabs, pages, check boxes and the catalogue tree from the working record.
    void OnInitDialog();
    // Tells the dialog that the listening socket could not be opened.
    void SetListenFailed(bool failed) { listenFailed_ = failed; }

    // Rebuilds the working record from the trees and tables. False when it would not fit;
    // the user has then been told and the record is unchanged.
    bool RebuildRecord();

    void OnTreeRightClick(CDragTreeCtrl* clicked);
    void ImportEsf();
    Q_INVOKABLE bool ImportEsfFile(const QString& path);
    // Drags catalogue entry `number` (group address or transmitter row) onto output
    // `output` of the page in tab slot `slot`, as a user would; false when the drop is refused.
    Q_INVOKABLE bool AssignEntry(int slot, int output, int number);
    // A transmitter telegram reported by a gateway, applied on the dialog's thread.
    void ApplyTransmitterReport(const Telegram& telegram);

    // Receive-thread side of the gateway messages: posts to the dialog's thread.
    void OnSearchResponse(const std::string& line) override;
    void OnTransmitterReport(const Telegram& telegram) override;

    CDragTreeCtrl* CatalogueTreeCtrl() const { return tree_; }
    CPageTabCtrl* PageTabs() const { return tabs_; }
    CDeviceSettingsPage* SettingsPage() const;
    QString ProjectName() const;
    DialogModel& Model() { return model_; }
    // The tree control showing `id`, or null when the layout has none.
    CDragTreeCtrl* TreeCtrl(TreeId id) const;
    // The catalogue item of group address or transmitter `number`, or null.
    QTreeWidgetItem* CatalogueItem(uint16_t number) const;

public slots:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnOk();
    void Warn(Text text);

    DialogModel model_;
    CDragTreeCtrl* tree_ = nullptr;
    CPageTabCtrl* tabs_ = nullptr;
    QCheckBox* soft_ = nullptr;
    QCheckBox* preview1_ = nullptr;
    QCheckBox* preview2_ = nullptr;
    QLabel* heading_ = nullptr;
    QLabel* projectName_ = nullptr;
    QLabel* previewLabel_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool listenFailed_ = false;
    bool accepting_ = false;
};

}  // namespace halvex
