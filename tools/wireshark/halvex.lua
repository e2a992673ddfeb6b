-- Wireshark dissector for the Halvex gateway protocol.
--
-- UDP 4044 carries the control messages between the plug-in and its gateways (search, upload,
-- acknowledgements, EnOcean transmitter reports); UDP 4042 carries live DMX frames.
-- Keywords are ASCII without a terminating zero; binary numbers are little-endian.
--
-- Use:  wireshark -X lua_script:tools/wireshark/halvex.lua
--       tshark -X lua_script:tools/wireshark/halvex.lua -r capture.pcapng -Y halvex
-- or copy the file into the personal Lua plugins folder (Help > About > Folders).

local halvex = Proto("halvex", "Halvex gateway protocol")
local halvex_dmx = Proto("halvex_dmx", "Halvex DMX frame")

local CONTROL_PORT = 4044
local DMX_PORT = 4042
local BLOCK_HEADER = 17
local BLOCK_DATA = 1024

local ORG_NAMES = { [5] = "rocker switch" }

local f = {
    message = ProtoField.string("halvex.message", "Message"),
    keyword = ProtoField.string("halvex.keyword", "Keyword"),
    -- search response
    response_spare = ProtoField.uint8("halvex.response.spare", "Spare", base.HEX),
    response_address = ProtoField.ipv4("halvex.response.address", "Gateway address"),
    response_marker = ProtoField.uint8("halvex.response.marker", "Name marker", base.HEX),
    response_name = ProtoField.string("halvex.response.name", "Device name"),
    response_mac = ProtoField.ether("halvex.response.mac", "MAC address"),
    response_version = ProtoField.string("halvex.response.version", "Version"),
    -- upload block
    block_zero = ProtoField.uint8("halvex.block.zero", "Reserved", base.HEX),
    block_number = ProtoField.uint8("halvex.block.number", "Block number", base.DEC),
    block_count = ProtoField.uint8("halvex.block.count", "Block count", base.DEC),
    block_length = ProtoField.uint32("halvex.block.length", "Data length", base.DEC),
    block_data = ProtoField.bytes("halvex.block.data", "Data"),
    block_last = ProtoField.bool("halvex.block.last", "Last block"),
    -- acknowledgement
    ack_extra = ProtoField.bytes("halvex.ack.extra", "Trailing bytes"),
    -- transmitter report
    transmitter_spare = ProtoField.uint8("halvex.transmitter.spare", "Spare", base.HEX),
    transmitter_org = ProtoField.uint8("halvex.transmitter.org", "ORG", base.HEX, ORG_NAMES),
    transmitter_status = ProtoField.uint8("halvex.transmitter.status", "Status", base.HEX),
    transmitter_data = ProtoField.uint32("halvex.transmitter.data", "Data", base.HEX),
    transmitter_id = ProtoField.uint32("halvex.transmitter.id", "Transmitter ID", base.HEX),
    unknown = ProtoField.bytes("halvex.unknown", "Unknown payload"),
    -- DMX frame
    dmx_header = ProtoField.bytes("halvex.dmx.header", "Host header"),
    dmx_outputs = ProtoField.uint8("halvex.dmx.outputs", "Preview outputs", base.HEX),
    dmx_out1 = ProtoField.bool("halvex.dmx.out1", "DMX-Out 1", 8, nil, 0x40),
    dmx_out2 = ProtoField.bool("halvex.dmx.out2", "DMX-Out 2", 8, nil, 0x80),
    dmx_length = ProtoField.uint16("halvex.dmx.length", "Frame length", base.DEC),
    dmx_data = ProtoField.bytes("halvex.dmx.data", "Frame data"),
}

local e_short = ProtoExpert.new("halvex.short", "Message shorter than its fixed fields",
    expert.group.MALFORMED, expert.severity.ERROR)
local e_length = ProtoExpert.new("halvex.block.length_mismatch",
    "Data length field disagrees with the bytes carried", expert.group.MALFORMED, expert.severity.WARN)
local e_number = ProtoExpert.new("halvex.block.number_range", "Block number outside 1..count",
    expert.group.PROTOCOL, expert.severity.WARN)
local e_oversize = ProtoExpert.new("halvex.block.oversize", "Block carries more than 1024 data bytes",
    expert.group.PROTOCOL, expert.severity.WARN)
local e_no_outputs = ProtoExpert.new("halvex.dmx.no_outputs",
    "Frame names no preview output (the plug-in never sends such a frame)",
    expert.group.PROTOCOL, expert.severity.NOTE)

halvex.fields = {}
for _, field in pairs(f) do
    table.insert(halvex.fields, field)
end
halvex.experts = { e_short, e_length, e_number, e_oversize, e_no_outputs }

-- Keywords in the order the plug-in's parser tries them, then the plug-in's own messages.
local KEYWORDS = {
    { "DMX_SEARCH_RESPONSE", "Search response" },
    { "DMX_UPLOAD_ACK", "Upload acknowledgement" },
    { "DMX_ENOCEAN_TRANSMITTER", "Transmitter report" },
    { "DMX_SEARCH_REQUEST", "Search request" },
    { "DMX-PREPAR", "Prepare upload" },
    { "DMX-UPLOAD", "Upload block" },
    { "DMX-START", "Start" },
}

local function match_keyword(tvb)
    for _, entry in ipairs(KEYWORDS) do
        local keyword = entry[1]
        if tvb:len() >= #keyword and tvb:range(0, #keyword):string() == keyword then
            return keyword, entry[2]
        end
    end
    return nil, nil
end

-- True when the tree has `size` bytes from `offset`; otherwise flags the message as short.
local function need(tvb, tree, offset, size)
    if tvb:len() >= offset + size then
        return true
    end
    tree:add_proto_expert_info(e_short)
    return false
end

local function dissect_search_response(tvb, tree)
    if not need(tvb, tree, 19, 12) then
        return "Search response (short)"
    end
    tree:add(f.response_spare, tvb:range(19, 1))
    tree:add(f.response_address, tvb:range(20, 4))
    local marker = tvb:range(24, 1):uint()
    local marker_item = tree:add(f.response_marker, tvb:range(24, 1))
    marker_item:append_text(marker == 0x20 and " (device name follows)" or " (MAC address follows)")
    local who
    if marker == 0x20 then
        local size = math.min(20, tvb:len() - 25)
        local name = tvb:range(25, size):stringz()
        tree:add(f.response_name, tvb:range(25, size), name)
        who = name
    else
        tree:add(f.response_mac, tvb:range(25, 6))
        local octets = {}
        for i = 0, 5 do
            octets[#octets + 1] = string.format("%02x", tvb:range(25 + i, 1):uint())
        end
        who = table.concat(octets, ":")
    end
    local summary = "Search response " .. tostring(tvb:range(20, 4):ipv4()) .. " " .. who
    if tvb:len() >= 56 and tvb:range(48, 8):string() == "Version:" then
        local size = math.min(34, tvb:len() - 48)
        local version = tvb:range(48, size):stringz()
        tree:add(f.response_version, tvb:range(48, size), version)
        summary = summary .. " " .. version
    end
    return summary
end

local function dissect_upload_block(tvb, tree)
    if not need(tvb, tree, 10, BLOCK_HEADER - 10) then
        return "Upload block (short)"
    end
    tree:add(f.block_zero, tvb:range(10, 1))
    local number = tvb:range(11, 1):uint()
    local count = tvb:range(12, 1):uint()
    local length = tvb:range(13, 4):le_uint()
    local number_item = tree:add(f.block_number, tvb:range(11, 1))
    tree:add(f.block_count, tvb:range(12, 1))
    local length_item = tree:add_le(f.block_length, tvb:range(13, 4))
    tree:add(f.block_last, number == count):set_generated()
    if number < 1 or number > count then
        number_item:add_proto_expert_info(e_number)
    end
    local carried = tvb:len() - BLOCK_HEADER
    if carried > 0 then
        tree:add(f.block_data, tvb:range(BLOCK_HEADER, carried))
    end
    if carried ~= length then
        length_item:add_proto_expert_info(e_length)
    end
    if length > BLOCK_DATA then
        length_item:add_proto_expert_info(e_oversize)
    end
    return string.format("Upload block %d/%d, %d bytes", number, count, length)
end

local function dissect_ack(tvb, tree, keyword)
    if tvb:len() > #keyword then
        tree:add(f.ack_extra, tvb:range(#keyword))
    end
    return "Upload acknowledgement"
end

local function dissect_transmitter(tvb, tree)
    if not need(tvb, tree, 23, 11) then
        return "Transmitter report (short)"
    end
    tree:add(f.transmitter_spare, tvb:range(23, 1))
    tree:add(f.transmitter_org, tvb:range(24, 1))
    tree:add(f.transmitter_status, tvb:range(25, 1))
    tree:add_le(f.transmitter_data, tvb:range(26, 4))
    tree:add_le(f.transmitter_id, tvb:range(30, 4))
    return string.format("Transmitter report ID 0x%x ORG 0x%x data 0x%x status 0x%x",
        tvb:range(30, 4):le_uint(), tvb:range(24, 1):uint(), tvb:range(26, 4):le_uint(),
        tvb:range(25, 1):uint())
end

function halvex.dissector(tvb, pinfo, root)
    if tvb:len() == 0 then
        return 0
    end
    pinfo.cols.protocol = "Halvex"
    local tree = root:add(halvex, tvb:range())
    local keyword, name = match_keyword(tvb)
    local summary
    if keyword == nil then
        tree:add(f.message, "Unknown")
        tree:add(f.unknown, tvb:range())
        summary = "Unknown message"
    else
        tree:add(f.message, name):set_generated()
        tree:add(f.keyword, tvb:range(0, #keyword))
        if keyword == "DMX_SEARCH_RESPONSE" then
            summary = dissect_search_response(tvb, tree)
        elseif keyword == "DMX_UPLOAD_ACK" then
            summary = dissect_ack(tvb, tree, keyword)
        elseif keyword == "DMX_ENOCEAN_TRANSMITTER" then
            summary = dissect_transmitter(tvb, tree)
        elseif keyword == "DMX-UPLOAD" then
            summary = dissect_upload_block(tvb, tree)
        else
            summary = name
        end
    end
    pinfo.cols.info = summary
    tree:append_text(": " .. summary)
    return tvb:len()
end

-- A DMX frame is the host's buffer as it stands, except byte 6, which names the outputs.
function halvex_dmx.dissector(tvb, pinfo, root)
    pinfo.cols.protocol = "Halvex DMX"
    local tree = root:add(halvex_dmx, tvb:range())
    tree:add(f.message, "DMX frame"):set_generated()
    tree:add(f.dmx_length, tvb:len()):set_generated()
    if tvb:len() < 7 then
        tree:add_proto_expert_info(e_short)
        pinfo.cols.info = "DMX frame (short)"
        return tvb:len()
    end
    tree:add(f.dmx_header, tvb:range(0, 6))
    local outputs = tvb:range(6, 1):uint()
    local outputs_item = tree:add(f.dmx_outputs, tvb:range(6, 1))
    outputs_item:add(f.dmx_out1, tvb:range(6, 1))
    outputs_item:add(f.dmx_out2, tvb:range(6, 1))
    if bit.band(outputs, 0xC0) == 0 then
        outputs_item:add_proto_expert_info(e_no_outputs)
    end
    if tvb:len() > 7 then
        tree:add(f.dmx_data, tvb:range(7))
    end
    local names = {}
    if bit.band(outputs, 0x40) ~= 0 then
        table.insert(names, "1")
    end
    if bit.band(outputs, 0x80) ~= 0 then
        table.insert(names, "2")
    end
    local which = #names > 0 and table.concat(names, "+") or "none"
    pinfo.cols.info = string.format("DMX frame, %d bytes, outputs %s", tvb:len(), which)
    tree:append_text(": outputs " .. which)
    return tvb:len()
end

local udp_port = DissectorTable.get("udp.port")
udp_port:add(CONTROL_PORT, halvex)
udp_port:add(DMX_PORT, halvex_dmx)
