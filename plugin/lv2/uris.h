// The names the LV2 bundles give the plug-in, its UI and its state, shared by
// the plug-in, its UI and the build-time generator of the bundles' Turtle.
#pragma once

namespace plugin::lv2 {

constexpr const char* plugin_uri = "urn:zelkarn:vorn";
constexpr const char* ui_uri = "urn:zelkarn:vorn#ui";
// The state key under which the "vorn" state bytes are stored (an atom:Chunk).
constexpr const char* state_key_uri = "urn:zelkarn:vorn#state";
// The messages between the UI and the plug-in (atom objects, see
// plugin/lv2/state_messages.h) and their properties.
constexpr const char* state_piece_uri = "urn:zelkarn:vorn#StatePiece";
constexpr const char* state_request_uri = "urn:zelkarn:vorn#StateRequest";
constexpr const char* state_ack_uri = "urn:zelkarn:vorn#StateAck";
constexpr const char* state_loaded_uri = "urn:zelkarn:vorn#StateLoaded";
constexpr const char* serial_uri = "urn:zelkarn:vorn#serial";
constexpr const char* offset_uri = "urn:zelkarn:vorn#offset";
constexpr const char* total_uri = "urn:zelkarn:vorn#total";
constexpr const char* bytes_uri = "urn:zelkarn:vorn#bytes";
constexpr const char* program_uri = "urn:zelkarn:vorn#program";
// The plug-in's live readings for the UI (plugin/lv2/live_message.h).
constexpr const char* live_uri = "urn:zelkarn:vorn#Live";
constexpr const char* readings_uri = "urn:zelkarn:vorn#readings";
constexpr const char* preset_uri_prefix = "urn:zelkarn:vorn:preset:";
constexpr const char* bank_uri_prefix = "urn:zelkarn:vorn:bank:";

constexpr const char* dsp_binary = "vorn_lv2.so";
constexpr const char* ui_binary = "vorn_lv2_ui.so";

// Port indices: the event input, the two outputs, then the parameters in
// the instance's order (parameter i is port first_param_port + i).
constexpr int events_port = 0;
constexpr int left_port = 1;
constexpr int right_port = 2;
constexpr int first_param_port = 3;
// After the parameters: the atom output to the UI (state pieces, acks).
constexpr int notify_port = first_param_port + 89;

}  // namespace plugin::lv2
