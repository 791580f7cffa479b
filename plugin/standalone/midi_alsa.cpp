#include "plugin/standalone/midi_alsa.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include "plugin/standalone/midi_bytes.h"

namespace standalone {

namespace {

constexpr int poll_interval_ms = 100;  // how soon stop is noticed and subscribers recounted
constexpr size_t decode_buffer_bytes = 16;

constexpr unsigned source_caps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

}  // namespace

alsa_midi_input::~alsa_midi_input() {
  stop();
  if (decoder_) snd_midi_event_free(decoder_);
  if (seq_) snd_seq_close(seq_);
}

bool alsa_midi_input::open(const std::string& client_name, const std::string& source, std::string& error) {
  const int r = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
  if (r < 0) {
    seq_ = nullptr;
    error = std::string("no ALSA sequencer (") + snd_strerror(r) + ")";
    return false;
  }
  snd_seq_set_client_name(seq_, client_name.c_str());
  port_ = snd_seq_create_simple_port(seq_, "MIDI in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                     SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (port_ < 0 || snd_midi_event_new(decode_buffer_bytes, &decoder_) < 0) {
    error = "the ALSA sequencer refused the MIDI port";
    return false;
  }
  snd_midi_event_no_status(decoder_, 1);  // every message whole, no running status
  if (!source.empty()) {
    snd_seq_addr_t from{};
    if (snd_seq_parse_address(seq_, &from, source.c_str()) < 0 ||
        snd_seq_connect_from(seq_, port_, from.client, from.port) < 0)
      notice_ = "cannot connect the MIDI port " + source + " (see --list-ports)";
  }
  count_subscribers();
  return true;
}

void alsa_midi_input::start(midi_fifo& into) {
  if (!seq_ || running_.load()) return;
  running_.store(true);
  thread_ = std::thread([this, &into] { run(into); });
}

void alsa_midi_input::stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

std::string alsa_midi_input::port_name() const {
  if (!seq_) return "none";
  return std::to_string(snd_seq_client_id(seq_)) + ":" + std::to_string(port_);
}

void alsa_midi_input::run(midi_fifo& into) {
  pollfd fds[4];
  const int n = snd_seq_poll_descriptors(seq_, fds, 4, POLLIN);
  while (running_.load(std::memory_order_relaxed)) {
    if (poll(fds, nfds_t(n), poll_interval_ms) > 0) read_pending(into);
    count_subscribers();
  }
}

void alsa_midi_input::read_pending(midi_fifo& into) {
  snd_seq_event_t* ev = nullptr;
  while (snd_seq_event_input(seq_, &ev) >= 0 && ev) {
    uint8_t bytes[decode_buffer_bytes];
    const long size = snd_midi_event_decode(decoder_, bytes, sizeof bytes, ev);
    queued_midi q;
    if (size > 0 && translate_midi(bytes, size_t(size), 0, 1, q)) into.push(q.message);
  }
}

void alsa_midi_input::count_subscribers() {
  snd_seq_query_subscribe_t* query;
  snd_seq_query_subscribe_alloca(&query);
  snd_seq_addr_t root{};
  root.client = uint8_t(snd_seq_client_id(seq_));
  root.port = uint8_t(port_);
  snd_seq_query_subscribe_set_root(query, &root);
  snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_WRITE);
  snd_seq_query_subscribe_set_index(query, 0);
  int count = 0;
  while (snd_seq_query_port_subscribers(seq_, query) >= 0) {
    ++count;
    snd_seq_query_subscribe_set_index(query, snd_seq_query_subscribe_get_index(query) + 1);
  }
  subscribers_.store(count, std::memory_order_relaxed);
}

bool list_alsa_midi_sources(std::FILE* out) {
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0) < 0) return false;
  std::fprintf(out, "ALSA MIDI sources (--midi CLIENT:PORT):\n");
  int listed = 0;
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == SND_SEQ_CLIENT_SYSTEM) continue;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) {
      if ((snd_seq_port_info_get_capability(port) & source_caps) != source_caps) continue;
      std::fprintf(out, "  %d:%d  %s: %s\n", id, snd_seq_port_info_get_port(port),
                   snd_seq_client_info_get_name(client), snd_seq_port_info_get_name(port));
      ++listed;
    }
  }
  if (listed == 0) std::fprintf(out, "  (none)\n");
  snd_seq_close(seq);
  return true;
}

}  // namespace standalone
