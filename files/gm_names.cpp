// The General MIDI program and percussion key names as bank names.
#include <cstdio>

#include "files/preset_names.h"

namespace files {

namespace {

constexpr const char* gm_families[16] = {
    "Piano", "Chromatic Percussion", "Organ", "Guitar", "Bass", "Strings", "Ensemble", "Brass",
    "Reed", "Pipe", "Synth Lead", "Synth Pad", "Synth Effects", "Ethnic", "Percussive", "Sound effects"};

constexpr const char* gm_programs[synth::bank_size] = {
    "Piano", "Bright Piano", "Electric Piano 1", "Honky-tonk Piano", "Electric Piano 2", "Electric Piano 3",
    "Harpsichord", "Clavinet", "Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba", "Xylophone",
    "Tubular Bells", "Dulcimer", "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion", "Nylon Guitar", "Steel Guitar",
    "Jazz Guitar", "Clean Guitar", "Muted Guitar", "Overdriven Guitar", "Distortion Guitar",
    "Guitar Harmonics", "Acoustic Bass", "Fingered Bass", "Picked Bass", "Fretless Bass", "Slap Bass 1",
    "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani", "String Ensemble 1",
    "String Ensemble 2", "Synth Strings 1", "Synth Strings 2", "Choir Aahs", "Voice Oohs", "Synth Choir",
    "Orchestra Hit", "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn", "Brass Section",
    "Synth Brass 1", "Synth Brass 2", "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax", "Oboe",
    "English Horn", "Bassoon", "Clarinet", "Piccolo", "Flute", "Recorder", "Pan Flute", "Blown Bottle",
    "Shakuhachi", "Whistle", "Ocarina", "Square Lead", "Saw Lead", "Calliope", "Chiff", "Charang", "Voices",
    "Fifths", "Bass + Lead", "New age", "Warm", "Polysynth", "Choir", "Bowed", "Metallic", "Halo", "Sweep",
    "Rain", "Soundtrack", "Crystal", "Atmosphere", "Brightness", "Goblins", "Echoes", "Sci-fi", "Sitar",
    "Banjo", "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo",
    "Steel Drums", "Woodblock", "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal", "Fret Noise",
    "Breath", "Seashore", "Bird Tweet", "Telephone Ring", "Helicopter", "Applause", "Gunshot"};

struct percussion_key {
  const char* name;
  const char* category;  // null: the category of the key before
};

// Slot i is key i + 24.
constexpr percussion_key gm_percussion[64] = {
    {"1", "1 ... 3"}, {"2", nullptr}, {"3", nullptr}, {"High Q", "Sfx"}, {"Slap", nullptr},
    {"Scratch Push", nullptr}, {"Scratch Pull", nullptr}, {"Sticks", nullptr}, {"Square Click", nullptr},
    {"Metronome Click", nullptr}, {"Metronome Bell", nullptr}, {"Kick Drum 2", "Base"},
    {"Kick Drum 1", nullptr}, {"Side Stick", nullptr}, {"Snare Drum 1", nullptr}, {"Hand Clap", nullptr},
    {"Snare Drum 2", nullptr}, {"Floor Tom 2", "Tom-toms"}, {"Closed Hi-Hat", "Hi-Hats"},
    {"Floor Tom 1", "Tom-toms"}, {"Pedal Hi-Hat", "Hi-Hats"}, {"Mid Tom 2", "Tom-toms"},
    {"Open Hi-Hat", "Hi-Hats"}, {"Mid Tom 1", "Tom-toms"}, {"High Tom 2", nullptr},
    {"Crash Cymbal", "Cymbals"}, {"High Tom 1", "Tom-toms"}, {"Ride Cymbal", "Cymbals"},
    {"Chinese Cymbal", nullptr}, {"Ride Bell", nullptr}, {"Tambourine", nullptr}, {"Splash Cymbal", nullptr},
    {"Cowbell", "Base"}, {"Crash Cymbal 2", "Cymbals"}, {"Vibra-Slap", "Base"}, {"Ride Cymbal 2", "Cymbals"},
    {"High Bongo", "Latin I"}, {"Low Bongo", nullptr}, {"Mute Hi Conga", nullptr}, {"Open Hi Conga", nullptr},
    {"Low Conga", nullptr}, {"High Timbale", nullptr}, {"Low Timbale", nullptr}, {"High Agogo", nullptr},
    {"Low Agogo", nullptr}, {"Cabasa", nullptr}, {"Maracas", nullptr}, {"Short Hi Whistle", nullptr},
    {"Long Lo Whistle", nullptr}, {"Short Guiro", nullptr}, {"Long Guiro", nullptr}, {"Claves", nullptr},
    {"High Woodblock", "Latin II"}, {"Low Woodblock", nullptr}, {"Mute Cuica", nullptr},
    {"Open Cuica", nullptr}, {"Mute Triangle", nullptr}, {"Open Triangle", nullptr}, {"Shaker", nullptr},
    {"Jingle Bell", nullptr}, {"Belltree", nullptr}, {"Castanets", nullptr}, {"Mute Surdo", nullptr},
    {"Open Surdo", nullptr}};

constexpr int percussion_group = 16;

}  // namespace

void name_bank_gm_melodic(synth::bank& b) {
  for (int i = 0; i < synth::bank_size; ++i) {
    b.slots[size_t(i)].name = gm_programs[i];
    b.slots[size_t(i)].category = gm_families[i / 8];
  }
}

void name_bank_gm_percussion(synth::bank& b) {
  char text[64];
  for (int i = 0; i < synth::bank_size; ++i) {
    std::snprintf(text, sizeof text, "%i", i + 1);
    b.slots[size_t(i)].name = text;
    const int first = i / percussion_group * percussion_group + 1;
    std::snprintf(text, sizeof text, "%i ... %i", first, first + percussion_group - 1);
    b.slots[size_t(i)].category = text;
  }
  const char* category = gm_percussion[0].category;
  for (int i = 0; i < 64; ++i) {
    if (gm_percussion[i].category) category = gm_percussion[i].category;
    b.slots[size_t(i)].name = gm_percussion[i].name;
    b.slots[size_t(i)].category = category;
  }
}

}  // namespace files
