#include "catalogue/CKnxDlg.h"

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

#include "catalogue/CGroupAddressDlg.h"
#include "catalogue/CMainGroupDlg.h"
#include "catalogue/CMiddleGroupDlg.h"
#include "catalogue/GroupAddressImport.h"
#include "gateway/CDeviceSettingsPage.h"
#include "gateway/GatewayParser.h"
#include "pages/CDragTreeCtrl.h"
#include "pages/COutputPage.h"
#include "pages/CPageTabCtrl.h"
#include "plugin/ModuleState.h"
#include "plugin/QtText.h"
#include "plugin/RecordWriter.h"
#include "plugin/SceneRecord.h"
#include "resources/Images.h"

namespace halvex {
namespace {

constexpr size_t kGroupAddressSlots = 65536;

uint8_t RecordByte(size_t offset) {
    const ModuleState& m = Module();
    return m.WorkingRecord != nullptr && offset < m.WorkingRecordCapacity ? m.WorkingRecord[offset]
                                                                          : 0;
}

void SetRecordByte(size_t offset, uint8_t value) {
    ModuleState& m = Module();
    if (m.WorkingRecord != nullptr && offset < m.WorkingRecordCapacity)
        m.WorkingRecord[offset] = value;
}

BusMode CurrentBusMode() {
    return BusModeOf(RecordByte(layout::kFlagsA), RecordByte(layout::kFlagsB));
}

// The decimal value of the digits a label starts with (the number before its first blank).
uint32_t LeadingNumber(const QString& label) {
    uint32_t value = 0;
    for (QChar c : label) {
        if (!c.isDigit() || c.unicode() > '9')
            break;
        value = value * 10 + static_cast<uint32_t>(c.unicode() - '0');
        if (value > 0xFFFF)
            break;
    }
    return value;
}

QString NumberText(const QString& label) {
    return label.section(QLatin1Char(' '), 0, 0);
}

// Stored label bytes: the low byte of each UTF-16 unit, as the record keeps them.
std::string LabelBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text)
        bytes += static_cast<char>(c.unicode() & 0xFF);
    return bytes;
}

void Warn(QWidget* parent, Text text) {
    QMessageBox box(QMessageBox::Warning, Tr(Text::Attention), Tr(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.exec();
}

// Reads a page tree into the writer's plain form.
void ReadPage(const CDragTreeCtrl* tree, PageContent& page) {
    if (tree == nullptr)
        return;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* output = tree->topLevelItem(i);
        page.AddOutput(static_cast<uint8_t>(CDragTreeCtrl::ItemData(output) & kObjectTypeMask));
        for (int c = 0; c < output->childCount(); ++c) {
            page.AddChild(ItemNumber(CDragTreeCtrl::ItemData(output->child(c))));
        }
    }
}

void ReadTable(const CatalogueEntry* table, size_t count, std::vector<NameEntry>& out) {
    for (size_t n = 0; n < count; ++n) {
        if (table[n].item == nullptr)
            continue;
        out.push_back({static_cast<uint16_t>(n), CDragTreeCtrl::ItemData(table[n].item),
                       LabelBytes(table[n].item->text(0))});
    }
}

}  // namespace

CKnxDlg::CKnxDlg(QWidget* parent) : QDialog(parent), GroupAddressTable(kGroupAddressSlots) {
    setObjectName(QStringLiteral("CKnxDlg"));
    setWindowTitle(QStringLiteral("KNX"));
    Module().MainDialog = this;

    heading_ = new QLabel(QStringLiteral("Grp.-Addresses:"), this);
    heading_->setObjectName(QStringLiteral("7051"));
    projectName_ = new QLabel(this);
    projectName_->setObjectName(QStringLiteral("7027"));
    tabs_ = new CPageTabCtrl(this);
    importButton_ = new QPushButton(QStringLiteral("Import ESF"), this);
    importButton_->setObjectName(QStringLiteral("7012"));
    soft_ = new QCheckBox(QStringLiteral("Soft On/Off"), this);
    soft_->setObjectName(QStringLiteral("7037"));
    previewLabel_ = new QLabel(QStringLiteral("Preview:"), this);
    previewLabel_->setObjectName(QStringLiteral("7072"));
    preview1_ = new QCheckBox(QStringLiteral("DMX-Out 1"), this);
    preview1_->setObjectName(QStringLiteral("7036"));
    preview2_ = new QCheckBox(QStringLiteral("DMX-Out 2"), this);
    preview2_->setObjectName(QStringLiteral("7042"));
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("7052"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("7009"));
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
    connect(preview1_, &QCheckBox::clicked, this, &CKnxDlg::OnPreviewChanged);
    connect(preview2_, &QCheckBox::clicked, this, &CKnxDlg::OnPreviewChanged);
    connect(soft_, &QCheckBox::clicked, this, &CKnxDlg::OnSoftChanged);
}

CKnxDlg::~CKnxDlg() {
    ModuleState& m = Module();
    if (m.Events == this)
        m.Events = nullptr;
    // Pages go first: their destruction may still commit to the record.
    delete tabs_;
    tabs_ = nullptr;
    if (m.CatalogueTree == tree_)
        m.CatalogueTree = nullptr;
    if (m.MainDialog == this)
        m.MainDialog = nullptr;
}

CDeviceSettingsPage* CKnxDlg::SettingsPage() const {
    return tabs_ != nullptr && tabs_->PageCreated(CPageTabCtrl::kSettingsSlot)
               ? tabs_->SettingsPage()
               : nullptr;
}

QString CKnxDlg::ProjectName() const {
    return projectName_->text();
}

void CKnxDlg::ClearCatalogue() {
    for (CatalogueEntry& e : MainGroupTable)
        e.Clear();
    for (CatalogueEntry& e : MiddleGroupTable)
        e.Clear();
    for (CatalogueEntry& e : GroupAddressTable)
        e.Clear();
}

void CKnxDlg::PrepareCatalogue() {
    ClearCatalogue();
    Module().TransmitterTable.fill(0);
    Root = CatalogueEntry{ToQString(UiText(Text::GroupAddressesRoot)), nullptr, kImageMainGroup, 0};
}

void CKnxDlg::LoadTrailingBlock() {
    ModuleState& m = Module();
    const ConstBytes record(m.WorkingRecord, m.WorkingRecordCapacity);
    const BusMode mode = CurrentBusMode();
    if (mode != BusMode::Knx)
        m.TransmitterCount = 0;
    if ((RecordByte(layout::kFlagsA) & layout::kFlagTrailingBlock) == 0)
        return;

    if (mode == BusMode::Knx) {
        const std::optional<NameBlock> block = ReadNameBlock(record);
        if (!block)
            return;
        for (const NameEntry& e : block->mains) {
            if ((e.number & 0xFF) >= MainGroupTable.size())
                continue;
            MainGroupTable[e.number & 0xFF] =
                CatalogueEntry{QString::fromLatin1(e.label), nullptr, kImageMainGroup, 0};
        }
        if ((RecordByte(layout::kFlagsB) & layout::kFlagThreeLevel) != 0) {
            for (const NameEntry& e : block->middles) {
                if (e.number >= MiddleGroupTable.size())
                    continue;
                MiddleGroupTable[e.number] =
                    CatalogueEntry{QString::fromLatin1(e.label), nullptr, kImageMiddleGroup, 0};
            }
        }
        for (const NameEntry& e : block->groups) {
            GroupAddressTable[e.number] = CatalogueEntry{QString::fromLatin1(e.label), nullptr,
                                                         kImageGroupAddress, e.itemData};
        }
    } else if (mode == BusMode::EnOcean) {
        m.TransmitterCount = ReadTransmitterTable(record, m.TransmitterTable);
        for (uint16_t i = 0; i < m.TransmitterCount; ++i) {
            const ConstBytes row(m.TransmitterTable.data() + i * layout::kRowSize,
                                 layout::kRowSize);
            GroupAddressTable[i] = CatalogueEntry{
                QString::fromStdString(TransmitterLabel(row)), nullptr, kImageTransmitter,
                (static_cast<uint32_t>(i) << 16) | kItemDraggable};
        }
    }
}

void CKnxDlg::InsertRoot() {
    Root.item = tree_->InsertTreeItem(nullptr, Root.label, InsertAt::Last, kImageMainGroup,
                                      kImageMainGroup, 0);
    Root.item->setExpanded(true);  // the main groups are what the user looks for first
}

void CKnxDlg::OnInitDialog() {
    ModuleState& m = Module();
    const uint8_t flagsA = RecordByte(layout::kFlagsA);
    const uint8_t flagsB = RecordByte(layout::kFlagsB);
    const BusMode mode = BusModeOf(flagsA, flagsB);
    ThreeLevelAddressing = (flagsB & layout::kFlagThreeLevel) != 0 ? 1 : 0;

    if (mode == BusMode::NetworkOnly) {
        tabs_->InsertItem(QStringLiteral("WLAN"));
    } else {
        for (Text t : {Text::SceneOut1, Text::SceneOut2, Text::DimmerOut1, Text::DimmerOut2}) {
            tabs_->InsertItem(Tr(t));
        }
        if (mode == BusMode::Knx) {
            tabs_->InsertItem(QStringLiteral("Device 1"));
            tabs_->InsertItem(QStringLiteral("Device 2"));
            tabs_->InsertItem(QStringLiteral("Lan/KNX"));
        } else {
            tabs_->InsertItem(QStringLiteral("Lan/EnOcean"));
        }
    }
    tabs_->CreatePages();
    if (CDeviceSettingsPage* page = SettingsPage()) {
        page->RebuildRecord = [this] { return RebuildRecord(); };
    }

    preview1_->setChecked((flagsB & layout::kFlagPreview1) != 0);
    preview2_->setChecked((flagsB & layout::kFlagPreview2) != 0);
    soft_->setChecked((flagsA & layout::kFlagSoftOnOff) != 0);

    tree_ = new CDragTreeCtrl(this);
    tree_->setObjectName(QStringLiteral("1001"));
    tree_->SetImageList(
        {BitmapIcon(7008), BitmapIcon(7004), BitmapIcon(7003), BitmapIcon(7002), BitmapIcon(7018)});
    m.CatalogueTree = tree_;
    tree_->SetEditLabels(mode != BusMode::Knx);
    auto* left = static_cast<QVBoxLayout*>(
        static_cast<QHBoxLayout*>(layout()->itemAt(0)->layout())->itemAt(0)->layout());
    delete left->takeAt(1);  // the placeholder stretch
    left->addWidget(tree_, 1);
    tree_->setVisible(mode != BusMode::NetworkOnly);

    if (mode == BusMode::EnOcean) {
        importButton_->hide();
        heading_->setText(Tr(Text::Transmitter));
        setWindowTitle(QStringLiteral("EnOcean"));
    } else if (mode == BusMode::Knx) {
        heading_->setText(Tr(Text::GroupAddressesHeading));
        InsertRoot();
        if ((flagsA & layout::kFlagWlan) != 0)
            setWindowTitle(QStringLiteral("WLAN"));
    }
    previewLabel_->setText(Tr(Text::Preview));

    if ((flagsA & layout::kFlagTrailingBlock) != 0 || mode != BusMode::Knx)
        LoadCatalogueTree();

    m.EnOceanRecordOpen = mode == BusMode::EnOcean;
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

QTreeWidgetItem* CKnxDlg::EnsureMiddleGroupItem(uint16_t middleIndex) {
    CatalogueEntry& middle = MiddleGroupTable[middleIndex];
    if (middle.item != nullptr)
        return middle.item;
    // A group whose middle group the record lacks: the middle group comes back as its number.
    if (middle.label.isEmpty())
        middle.label = QString::number(middleIndex & 7);
    middle.item = tree_->InsertTreeItem(MainGroupTable[middleIndex >> 3].item, middle.label,
                                        InsertAt::Sorted, kImageMiddleGroup, kImageMiddleGroup, 0);
    return middle.item;
}

void CKnxDlg::LoadCatalogueTree() {
    ModuleState& m = Module();
    if (CurrentBusMode() != BusMode::Knx) {
        for (uint16_t i = 0; i < m.TransmitterCount; ++i) {
            CatalogueEntry& e = GroupAddressTable[i];
            e.item = tree_->InsertTreeItem(nullptr, e.label, InsertAt::Last, kImageTransmitter,
                                           kImageTransmitter,
                                           (static_cast<uint32_t>(i) << 16) | kItemDraggable);
        }
        return;
    }
    const std::optional<NameBlock> block =
        ReadNameBlock(ConstBytes(m.WorkingRecord, m.WorkingRecordCapacity));
    if (!block)
        return;
    for (const NameEntry& e : block->mains) {
        CatalogueEntry& slot = MainGroupTable[e.number & 0x1F];
        if ((e.number & 0xFF) >= MainGroupTable.size() || slot.item != nullptr)
            continue;
        slot.item = tree_->InsertTreeItem(Root.item, slot.label, InsertAt::Last, kImageMainGroup,
                                          kImageMainGroup, 0);
    }
    if (ThreeLevelAddressing != 0) {
        for (const NameEntry& e : block->middles) {
            if (e.number >= MiddleGroupTable.size())
                continue;
            CatalogueEntry& slot = MiddleGroupTable[e.number];
            if (slot.item != nullptr)
                continue;
            slot.item =
                tree_->InsertTreeItem(MainGroupTable[e.number >> 3].item, slot.label,
                                      InsertAt::Last, kImageMiddleGroup, kImageMiddleGroup, 0);
        }
    }
    for (const NameEntry& e : block->groups) {
        CatalogueEntry& slot = GroupAddressTable[e.number];
        if (slot.item != nullptr)
            continue;
        QTreeWidgetItem* parent = ThreeLevelAddressing != 0
                                      ? EnsureMiddleGroupItem(static_cast<uint16_t>(e.number >> 8))
                                      : MainGroupTable[e.number >> 11].item;
        slot.item = tree_->InsertTreeItem(parent, slot.label, InsertAt::Last, kImageGroupAddress,
                                          kImageGroupAddress, e.itemData);
    }
}

void CKnxDlg::OnPreviewChanged() {
    const uint8_t b = RecordByte(layout::kFlagsB);
    SetRecordByte(layout::kFlagsB,
                  static_cast<uint8_t>((b & 0x3F) | (preview1_->isChecked() ? 0x40 : 0) |
                                       (preview2_->isChecked() ? 0x80 : 0)));
}

void CKnxDlg::OnSoftChanged() {
    const uint8_t b = RecordByte(layout::kFlagsA);
    SetRecordByte(
        layout::kFlagsA,
        static_cast<uint8_t>((b & 0xDF) | (soft_->isChecked() ? layout::kFlagSoftOnOff : 0)));
}

bool CKnxDlg::RebuildRecord() {
    ModuleState& m = Module();
    if (m.WorkingRecord == nullptr || m.WorkingRecordCapacity < layout::kHeaderSize)
        return false;
    std::vector<uint8_t> record(m.WorkingRecord, m.WorkingRecord + layout::kHeaderSize);
    WriteStatus status = WriteStatus::Ok;
    if (CurrentBusMode() == BusMode::Knx) {
        std::array<PageContent, 6> pages;
        const std::array<const CDragTreeCtrl*, 6> trees = {
            m.SceneTree1, m.SceneTree2, m.DimmerTree1, m.DimmerTree2, m.DeviceTree1, m.DeviceTree2};
        std::array<const PageContent*, 6> pointers{};
        for (size_t i = 0; i < pages.size(); ++i) {
            ReadPage(trees[i], pages[i]);
            pointers[i] = &pages[i];
        }
        CatalogueContent catalogue;
        ReadTable(MainGroupTable.data(), MainGroupTable.size(), catalogue.mains);
        ReadTable(MiddleGroupTable.data(), MiddleGroupTable.size(), catalogue.middles);
        ReadTable(GroupAddressTable.data(), GroupAddressTable.size(), catalogue.groups);
        status =
            WriteKnxRecord(record, pointers, catalogue, ThreeLevelAddressing != 0, m.DeviceCount,
                           ConstBytes(m.DeviceTable), ConstBytes(m.WlanSettings));
    } else {
        std::array<PageContent, 4> pages;
        const std::array<const CDragTreeCtrl*, 4> trees = {m.SceneTree1, m.SceneTree2,
                                                           m.DimmerTree1, m.DimmerTree2};
        std::array<const PageContent*, 4> pointers{};
        for (size_t i = 0; i < pages.size(); ++i) {
            ReadPage(trees[i], pages[i]);
            pointers[i] = &pages[i];
        }
        status = WriteEnOceanRecord(record, pointers, ConstBytes(m.TransmitterTable),
                                    m.TransmitterCount, m.DeviceCount, ConstBytes(m.DeviceTable));
    }
    if (status == WriteStatus::TooLarge) {
        QMessageBox box(QMessageBox::Warning, Tr(Text::Attention),
                        Tr(ExtraText::ConfigurationTooLarge), QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    auto* grown = static_cast<uint8_t*>(std::realloc(m.WorkingRecord, record.size()));
    if (grown == nullptr)
        return false;
    std::memcpy(grown, record.data(), record.size());
    m.WorkingRecord = grown;
    m.WorkingRecordCapacity = record.size();
    return true;
}

void CKnxDlg::OnOk() {
    // The network page writes some of its values only when it is hidden; the rebuild must see
    // them, so the page commits first.
    if (CDeviceSettingsPage* page = SettingsPage())
        page->CommitToRecord();
    const BusMode mode = CurrentBusMode();
    if (mode != BusMode::NetworkOnly && !RebuildRecord())
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

void CKnxDlg::OnTreeRightClick(CDragTreeCtrl* clicked) {
    // Only the KNX catalogue has groups to add; transmitters are learnt from the gateway.
    if (CurrentBusMode() != BusMode::Knx || clicked == nullptr || tree_ == nullptr)
        return;
    QTreeWidgetItem* selected = clicked->SelectedItem();
    if (selected == nullptr)
        return;
    if (selected->parent() == nullptr) {
        AddMainGroup();
    } else if (CDragTreeCtrl::Image(selected) == kImageMainGroup) {
        if (ThreeLevelAddressing != 0) {
            AddMiddleGroup(selected);
        } else {
            AddGroupAddress(selected, false);
        }
    } else if (CDragTreeCtrl::Image(selected) == kImageMiddleGroup) {
        AddGroupAddress(selected, true);
    }
}

void CKnxDlg::AddMainGroup() {
    CMainGroupDlg dlg(this);
    if (dlg.exec() != 1)
        return;
    const ModuleState& m = Module();
    const uint32_t n = m.EnteredNumber;
    if (n >= MainGroupTable.size())
        return;
    CatalogueEntry& slot = MainGroupTable[n];
    if (!slot.label.isEmpty()) {
        Warn(this, Text::MainGroupExists);
        return;
    }
    slot.label = QString::number(n) + QLatin1Char(' ') + QString::fromStdString(m.EnteredName);
    slot.item = tree_->InsertTreeItem(Root.item, slot.label, InsertAt::Sorted, kImageMainGroup,
                                      kImageMainGroup, (n << 16) | kKindMainGroup | kItemAdded);
}

void CKnxDlg::AddMiddleGroup(QTreeWidgetItem* mainItem) {
    CMiddleGroupDlg dlg(this);
    if (dlg.exec() != 1)
        return;
    const ModuleState& m = Module();
    const uint32_t middle = m.EnteredNumber;
    const uint32_t main = LeadingNumber(mainItem->text(0));
    if (middle > 7 || main >= MainGroupTable.size())
        return;
    const uint32_t index = main * 8 + middle;
    CatalogueEntry& slot = MiddleGroupTable[index];
    if (!slot.label.isEmpty()) {
        Warn(this, Text::MiddleGroupExists);
        return;
    }
    QTreeWidgetItem* parent =
        MainGroupTable[main].item != nullptr ? MainGroupTable[main].item : mainItem;
    slot.label = QString::number(middle) + QLatin1Char(' ') + QString::fromStdString(m.EnteredName);
    slot.item =
        tree_->InsertTreeItem(parent, slot.label, InsertAt::Sorted, kImageMiddleGroup,
                              kImageMiddleGroup, (index << 16) | kKindMiddleGroup | kItemAdded);
}

void CKnxDlg::AddGroupAddress(QTreeWidgetItem* selected, bool underMiddle) {
    // Under a middle group the address is always three-level, whatever the layout flag says.
    CGroupAddressDlg dlg(underMiddle || ThreeLevelAddressing != 0, this);
    dlg.SetChoice(0);
    if (dlg.exec() != 1)
        return;
    const ModuleState& m = Module();
    const uint32_t group = m.EnteredNumber;
    const uint8_t objectType = CGroupAddressDlg::ObjectTypeOfChoice(dlg.Choice());
    uint32_t address = 0;
    QString label;
    QTreeWidgetItem* parent = nullptr;
    if (!underMiddle) {
        const uint32_t main = LeadingNumber(selected->text(0));
        if (main > 31 || group > 2047)
            return;
        address = main << 11 | group;
        if (address == 0) {
            Warn(this, Text::InvalidAddress2Level);
            return;
        }
        label = NumberText(selected->text(0)) + QLatin1Char('/') + QString::number(group);
        parent = MainGroupTable[main].item;
    } else {
        const QTreeWidgetItem* mainItem = selected->parent();
        const uint32_t middle = LeadingNumber(selected->text(0));
        const uint32_t main = LeadingNumber(mainItem->text(0));
        if (main > 31 || middle > 7 || group > 255)
            return;
        address = main << 11 | middle << 8 | group;
        if (address == 0) {
            Warn(this, Text::InvalidAddress3Level);
            return;
        }
        label = NumberText(mainItem->text(0)) + QLatin1Char('/') + NumberText(selected->text(0)) +
                QLatin1Char('/') + QString::number(group);
        parent = MiddleGroupTable[address >> 8].item;
    }
    CatalogueEntry& slot = GroupAddressTable[address];
    if (!slot.label.isEmpty()) {
        Warn(this, Text::GroupAddressExists);
        return;
    }
    slot.label = label + QLatin1Char(' ') + QString::fromStdString(m.EnteredName);
    slot.item = tree_->InsertTreeItem(
        parent != nullptr ? parent : selected, slot.label, InsertAt::Sorted, kImageGroupAddress,
        kImageGroupAddress,
        address << 16 | kKindGroupAddress | kItemDraggable | kItemAdded | objectType);
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
    const GroupAddressImport imported = ImportGroupAddresses(
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (imported.refusal != ImportRefusal::None) {
        // Nothing changes: a file without one group address must not empty the catalogue.
        QString text = Tr(ExtraText::ImportNothingFound);
        if (imported.refusal == ImportRefusal::XmlNotWellFormed) {
            text = Tr(ExtraText::ImportXmlNotWellFormed)
                       .arg(imported.line)
                       .arg(QString::fromStdString(imported.detail));
        } else if (imported.refusal == ImportRefusal::UnsupportedEncoding) {
            text = Tr(ExtraText::ImportEncodingUnsupported)
                       .arg(QString::fromStdString(imported.detail));
        }
        QMessageBox box(QMessageBox::Warning, Tr(Text::Attention), text, QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    const EsfImport& result = imported.catalogue;

    tree_->clear();
    ClearCatalogue();
    InsertRoot();
    projectName_->setText(QString::fromStdString(result.projectName));
    if (result.threeLevel)
        ThreeLevelAddressing = *result.threeLevel ? 1 : 0;

    for (const EsfItem& item : result.items) {
        const QString label = QString::fromStdString(item.label);
        switch (item.kind) {
            case EsfItemKind::MainGroup: {
                CatalogueEntry& slot = MainGroupTable[item.number & 0x1F];
                if (slot.item != nullptr)
                    break;
                slot.label = label;
                slot.item = tree_->InsertTreeItem(Root.item, label, InsertAt::Last, kImageMainGroup,
                                                  kImageMainGroup, 0);
                break;
            }
            case EsfItemKind::MiddleGroup: {
                CatalogueEntry& slot = MiddleGroupTable[item.number & 0xFF];
                if (slot.item != nullptr)
                    break;
                slot.label = label;
                slot.item =
                    tree_->InsertTreeItem(MainGroupTable[(item.number & 0xFF) >> 3].item, label,
                                          InsertAt::Last, kImageMiddleGroup, kImageMiddleGroup, 0);
                break;
            }
            case EsfItemKind::GroupAddress: {
                CatalogueEntry& slot = GroupAddressTable[item.number];
                if (slot.item != nullptr)
                    break;
                QTreeWidgetItem* parent = item.threeLevel ? MiddleGroupTable[item.number >> 8].item
                                                          : MainGroupTable[item.number >> 11].item;
                slot.label = label;
                slot.item = tree_->InsertTreeItem(parent, label, InsertAt::Last, kImageGroupAddress,
                                                  kImageGroupAddress, item.itemData);
                break;
            }
        }
    }
    const ModuleState& m = Module();
    for (CDragTreeCtrl* tree : {m.SceneTree1, m.SceneTree2, m.DimmerTree1, m.DimmerTree2}) {
        PruneAssignments(tree);
    }
    if (result.skippedLines > 0) {
        const ExtraText skipped = imported.format == ImportFormat::Xml
                                      ? ExtraText::ImportEntriesSkipped
                                      : ExtraText::EsfLinesSkipped;
        QMessageBox box(QMessageBox::Information, Tr(Text::Information),
                        Tr(skipped).arg(result.skippedLines), QMessageBox::Ok, this);
        box.exec();
    }
    return true;
}

bool CKnxDlg::AssignEntry(int slot, int output, int number) {
    COutputPage* page = tabs_ != nullptr ? tabs_->OutputPage(slot) : nullptr;
    CDragTreeCtrl* target = page != nullptr ? page->Tree() : nullptr;
    if (target == nullptr || tree_ == nullptr || number < 0 ||
        static_cast<size_t>(number) >= GroupAddressTable.size()) {
        return false;
    }
    QTreeWidgetItem* entry = GroupAddressTable[static_cast<size_t>(number)].item;
    QTreeWidgetItem* hit = target->topLevelItem(output);
    if (entry == nullptr || hit == nullptr ||
        (CDragTreeCtrl::ItemData(entry) & kItemDraggable) == 0) {
        return false;
    }
    tree_->SelectItem(entry);
    Module().DragSourceTree = tree_;
    const bool dropped = target->DropTarget().OnDragOverItem(target, hit) == DropEffect::Link &&
                         target->DropTarget().OnDrop(target);
    target->SetDropHighlight(nullptr);
    return dropped;
}

void CKnxDlg::PruneAssignments(CDragTreeCtrl* tree) {
    EditAssignments(tree, [this](QTreeWidgetItem* child) {
        const uint16_t a = ItemNumber(CDragTreeCtrl::ItemData(child));
        return MainGroupTable[a >> 11].item == nullptr ||
               (ThreeLevelAddressing != 0 && MiddleGroupTable[a >> 8].item == nullptr) ||
               GroupAddressTable[a].item == nullptr;
    });
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
    ModuleState& m = Module();
    heading_->setText(QString::fromStdString(TransmitterReportText(telegram)));
    const std::optional<uint16_t> row =
        AddTelegram(m.TransmitterTable, m.TransmitterCount, telegram);
    if (!row || tree_ == nullptr)
        return;
    CatalogueEntry& slot = GroupAddressTable[*row];
    slot.label = QString::fromStdString(TransmitterItemLabel(telegram));
    slot.image = kImageTransmitter;
    slot.data = (static_cast<uint32_t>(*row) << 16) | kItemDraggable;
    slot.item = tree_->InsertTreeItem(nullptr, slot.label, InsertAt::Last, kImageTransmitter,
                                      kImageTransmitter, slot.data);
}

}  // namespace halvex
