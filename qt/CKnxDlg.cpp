#include "qt/CKnxDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/ModuleState.h"
#include "engine/import/GroupAddressImport.h"
#include "engine/net/GatewayParser.h"
#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"
#include "model/ControlIds.h"
#include "model/GroupEntry.h"
#include "qt/CDeviceSettingsPage.h"
#include "qt/CDragTreeCtrl.h"
#include "qt/CGroupAddressDlg.h"
#include "qt/CMainGroupDlg.h"
#include "qt/CMiddleGroupDlg.h"
#include "qt/COutputPage.h"
#include "qt/CPageTabCtrl.h"
#include "qt/Images.h"
#include "qt/QtText.h"

namespace halvex {

CKnxDlg::CKnxDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CKnxDlg"));
    setWindowTitle(QStringLiteral("KNX"));

    heading_ = new QLabel(QStringLiteral("Grp.-Addresses:"), this);
    heading_->setObjectName(ControlName(ids::kCatalogueHeading));
    projectName_ = new QLabel(this);
    projectName_->setObjectName(ControlName(ids::kProjectName));
    tabs_ = new CPageTabCtrl(this);
    importButton_ = new QPushButton(QStringLiteral("Import ESF"), this);
    importButton_->setObjectName(ControlName(ids::kImportEsf));
    soft_ = new QCheckBox(QStringLiteral("Soft On/Off"), this);
    soft_->setObjectName(ControlName(ids::kSoftOnOff));
    previewLabel_ = new QLabel(QStringLiteral("Preview:"), this);
    previewLabel_->setObjectName(ControlName(ids::kPreviewLabel));
    preview1_ = new QCheckBox(QStringLiteral("DMX-Out 1"), this);
    preview1_->setObjectName(ControlName(ids::kPreview1));
    preview2_ = new QCheckBox(QStringLiteral("DMX-Out 2"), this);
    preview2_->setObjectName(ControlName(ids::kPreview2));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(ControlName(ids::kOk));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(ControlName(ids::kCancel));
    // No default button: Enter never ends the dialog (see keyPressEvent).
    for (QPushButton* b : {importButton_, ok_, cancel_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(heading_);
    headingRow->addWidget(projectName_, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(headingRow);
    left->addStretch(1);  // replaced by the catalogue tree when it is created
    auto* top = new QHBoxLayout;
    top->addLayout(left, 4);
    top->addWidget(tabs_, 5);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(importButton_);
    bottom->addWidget(soft_);
    bottom->addStretch(1);
    bottom->addWidget(previewLabel_);
    bottom->addWidget(preview1_);
    bottom->addWidget(preview2_);
    bottom->addStretch(1);
    bottom->addWidget(ok_);
    bottom->addWidget(cancel_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(bottom);
    resize(1100, 640);

    connect(ok_, &QPushButton::clicked, this, &CKnxDlg::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(importButton_, &QPushButton::clicked, this, &CKnxDlg::ImportEsf);
    connect(preview1_, &QCheckBox::clicked, this,
            [this](bool on) { model_.SetFlag(RecordFlag::Preview1, on); });
    connect(preview2_, &QCheckBox::clicked, this,
            [this](bool on) { model_.SetFlag(RecordFlag::Preview2, on); });
    connect(soft_, &QCheckBox::clicked, this,
            [this](bool on) { model_.SetFlag(RecordFlag::SoftOnOff, on); });
}

CKnxDlg::~CKnxDlg() {
    ModuleState& m = Module();
    if (m.Events == this)
        m.Events = nullptr;
    // Pages go first: their destruction may still commit to the record.
    delete tabs_;
    tabs_ = nullptr;
}

CDeviceSettingsPage* CKnxDlg::SettingsPage() const {
    return tabs_ != nullptr && tabs_->PageCreated(kSettingsSlot) ? tabs_->SettingsPage() : nullptr;
}

QString CKnxDlg::ProjectName() const {
    return projectName_->text();
}

CDragTreeCtrl* CKnxDlg::TreeCtrl(TreeId id) const {
    if (id == TreeId::Catalogue)
        return tree_;
    const int slot = static_cast<int>(id) - 1;
    COutputPage* page =
        tabs_ != nullptr && tabs_->PageCreated(slot) ? tabs_->OutputPage(slot) : nullptr;
    return page != nullptr ? page->Tree() : nullptr;
}

QTreeWidgetItem* CKnxDlg::CatalogueItem(uint16_t number) const {
    return tree_ != nullptr ? tree_->ItemOf(model_.catalogue.GroupAddressTable[number].node)
                            : nullptr;
}

void CKnxDlg::PrepareCatalogue() {
    model_.Prepare();
}

void CKnxDlg::OnInitDialog() {
    ModuleState& m = Module();
    model_.Load();
    const DialogLayout layout = model_.Layout();
    for (const std::string& label : layout.tabs)
        tabs_->InsertItem(QString::fromStdString(label));
    tabs_->CreatePages(model_);
    if (CDeviceSettingsPage* page = SettingsPage()) {
        page->RebuildRecord = [this] { return RebuildRecord(); };
    }

    preview1_->setChecked(model_.Flag(RecordFlag::Preview1));
    preview2_->setChecked(model_.Flag(RecordFlag::Preview2));
    soft_->setChecked(model_.Flag(RecordFlag::SoftOnOff));

    tree_ = new CDragTreeCtrl(this);
    tree_->setObjectName(ControlName(ids::kTree));
    tree_->SetImageList(
        {BitmapIcon(7008), BitmapIcon(7004), BitmapIcon(7003), BitmapIcon(7002), BitmapIcon(7018)});
    tree_->SetEditLabels(layout.editLabels);
    tree_->ShowModel(&model_, TreeId::Catalogue);
    auto* left = static_cast<QVBoxLayout*>(
        static_cast<QHBoxLayout*>(this->layout()->itemAt(0)->layout())->itemAt(0)->layout());
    delete left->takeAt(1);  // the placeholder stretch
    left->addWidget(tree_, 1);
    tree_->setVisible(layout.catalogueVisible);
    for (TreeId id : {TreeId::Catalogue, TreeId::Scene1, TreeId::Scene2, TreeId::Dimmer1,
                      TreeId::Dimmer2, TreeId::Device1, TreeId::Device2}) {
        if (CDragTreeCtrl* tree = TreeCtrl(id))
            tree->OnRightClick = [this](CDragTreeCtrl* clicked) { OnTreeRightClick(clicked); };
    }

    importButton_->setVisible(layout.importVisible);
    heading_->setText(QString::fromStdString(layout.heading));
    if (!layout.title.empty())
        setWindowTitle(QString::fromStdString(layout.title));
    previewLabel_->setText(Tr(Text::Preview));

    m.EnOceanRecordOpen = model_.Mode() == BusMode::EnOcean;
    m.Events = this;
    if (listenFailed_) {
        // Shown once the dialog is up, like a message from its initialisation.
        QTimer::singleShot(0, this, [this] {
            QMessageBox box(QMessageBox::Information, Tr(Text::Information),
                            Tr(Text::UnableToOpenSocket), QMessageBox::Ok, this);
            box.exec();
        });
    }
}

bool CKnxDlg::RebuildRecord() {
    switch (model_.Rebuild()) {
        case DialogModel::RebuildResult::Stored:
            return true;
        case DialogModel::RebuildResult::TooLarge: {
            QMessageBox box(QMessageBox::Warning, Tr(Text::Attention),
                            Tr(ExtraText::ConfigurationTooLarge), QMessageBox::Ok, this);
            box.exec();
            return false;
        }
        case DialogModel::RebuildResult::Failed:
            break;
    }
    return false;
}

void CKnxDlg::OnOk() {
    // The network page writes some of its values only when it is hidden; the rebuild must see
    // them, so the page commits first.
    if (CDeviceSettingsPage* page = SettingsPage())
        page->CommitToRecord();
    if (!RebuildRecord())
        return;
    QDialog::done(QDialog::Accepted);
}

void CKnxDlg::accept() {
    OnOk();
}

void CKnxDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter does nothing here: only "OK" stores the configuration.
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CKnxDlg::Warn(Text text) {
    QMessageBox box(QMessageBox::Warning, Tr(Text::Attention), Tr(text),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.exec();
}

void CKnxDlg::OnTreeRightClick(CDragTreeCtrl* clicked) {
    if (clicked == nullptr || tree_ == nullptr)
        return;
    const TreeNode* selected = clicked->SelectedNode();
    Catalogue& catalogue = model_.catalogue;
    AddOutcome outcome;
    switch (model_.RightClickAction(selected)) {
        case CatalogueAction::None:
            return;
        case CatalogueAction::AddMainGroup: {
            CMainGroupDlg dlg(this);
            if (dlg.exec() != 1)
                return;
            outcome = catalogue.AddMainGroup(Module().EnteredNumber, Module().EnteredName);
            break;
        }
        case CatalogueAction::AddMiddleGroup: {
            CMiddleGroupDlg dlg(this);
            if (dlg.exec() != 1)
                return;
            outcome =
                catalogue.AddMiddleGroup(selected, Module().EnteredNumber, Module().EnteredName);
            break;
        }
        case CatalogueAction::AddGroupAddress: {
            CGroupAddressDlg dlg(catalogue.GroupAddressIsThreeLevel(selected), this);
            dlg.SetChoice(0);
            if (dlg.exec() != 1)
                return;
            outcome =
                catalogue.AddGroupAddress(selected, Module().EnteredNumber, Module().EnteredName,
                                          ObjectTypeOfChoice(dlg.Choice()));
            break;
        }
    }
    if (outcome.warning)
        Warn(*outcome.warning);
}

void CKnxDlg::ImportEsf() {
    // The button keeps its name; the file may be any of the ETS exports the import recognises.
    const QString path = QFileDialog::getOpenFileName(
        this, QString(), QString(),
        Tr(ExtraText::ImportFileFilter) + QStringLiteral(";;ETS-OPC export Files (*.esf)"), nullptr,
        QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return;
    ImportEsfFile(path);
}

bool CKnxDlg::ImportEsfFile(const QString& path) {
    QFile file(path);
    if (tree_ == nullptr || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();
    const ImportOutcome outcome =
        model_.ImportFile(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (outcome.imported)
        projectName_->setText(QString::fromStdString(model_.catalogue.ProjectName));
    if (!outcome.message.empty()) {
        QMessageBox box(outcome.imported ? QMessageBox::Information : QMessageBox::Warning,
                        Tr(outcome.imported ? Text::Information : Text::Attention),
                        QString::fromStdString(outcome.message), QMessageBox::Ok, this);
        box.exec();
    }
    return outcome.imported;
}

bool CKnxDlg::AssignEntry(int slot, int output, int number) {
    return model_.AssignEntry(slot, output, number);
}

void CKnxDlg::OnSearchResponse(const std::string& line) {
    const QString text = QString::fromStdString(line);
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (CDeviceSettingsPage* page = SettingsPage())
                page->AddGatewayLine(text);
        },
        Qt::QueuedConnection);
}

void CKnxDlg::OnTransmitterReport(const Telegram& telegram) {
    QMetaObject::invokeMethod(
        this, [this, telegram] { ApplyTransmitterReport(telegram); }, Qt::QueuedConnection);
}

void CKnxDlg::ApplyTransmitterReport(const Telegram& telegram) {
    heading_->setText(QString::fromStdString(model_.ApplyTransmitterReport(telegram)));
}

}  // namespace halvex
