// One of the six output pages: its outputs (top-level nodes) and their assignments.
//
// Scene pages list the host's scenes, dimmer pages the 512 DMX channels (three outputs per
// channel on KNX records: 1 bit, 4 bit, 1 byte; one on EnOcean records), device pages the
// host's devices. Outputs carry the object type they accept in item-data bits 0-3 and image 0;
// assignments carry the catalogue number in bits 16-31 and the image of their catalogue slot.
#pragma once

#include <cstdint>

#include "engine/record/RecordWriter.h"
#include "model/TreeModel.h"

namespace halvex {

class Catalogue;

enum class PageKind : uint8_t { Scene, Dimmer, Device };

class OutputPage {
public:
    OutputPage(PageKind kind, bool second) : kind_(kind), second_(second) {}

    PageKind Kind() const { return kind_; }
    bool Second() const { return second_; }
    // Image-list bitmap of the outputs (image 0).
    int OutputBitmap() const { return kind_ == PageKind::Scene ? 7008 : 7014; }

    // Builds the outputs and the stored assignments from the working record, the host's scene
    // list and device table, and the catalogue's labels.
    void Load(const Catalogue& catalogue);
    // The outputs and assignments as the record writer takes them.
    void ReadContent(PageContent& page) const;

    TreeModel tree;

private:
    PageKind kind_;
    bool second_;
};

}  // namespace halvex
