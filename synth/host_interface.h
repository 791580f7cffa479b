// What the engine and the editor may ask of the host, without knowing any host
// types. The plug-in layer implements it (its host_link).
#pragma once

namespace synth {

class host_interface {
 public:
  virtual ~host_interface() = default;
  virtual void set_program(int index) = 0;        // index >= 0: becomes current, then selected
  virtual int get_program() = 0;
  virtual bool size_window(int width, int height) = 0;
  virtual void set_parameter_automated(int index, float normalised) = 0;
  virtual void reload_program() = 0;              // select the current program again
  virtual void update_display() = 0;
  // One user gesture on a parameter (a drag, a wheel burst, a typed value, a
  // menu choice) starts and ends: hosts record touch automation between the
  // two, so every begin is followed by its end, with the automated values in
  // between.
  virtual void begin_edit(int index) {}
  virtual void end_edit(int index) {}
  // The sound changed other than through one host parameter (a route, an
  // effect, a program, a name, a file load...): see host_shell::state_edited.
  virtual void state_edited() {}
};

}  // namespace synth
