// A host that passes every call on to another: the base of the hosts that watch or steer a run
// (its progress line, the user's requests) and leave everything else to the host they wrap.
// A derived host overrides only what it adds.
#pragma once

#include <string>
#include <string_view>

#include "base/host.h"

namespace quorvane {

class ForwardingHost : public Host {
 public:
  explicit ForwardingHost(Host& inner) : inner_(inner) {}

  bool draws() const override { return inner_.draws(); }
  void show_progress() override { inner_.show_progress(); }
  void hide_progress() override { inner_.hide_progress(); }
  void clear_progress() override { inner_.clear_progress(); }
  void set_position(int x, int y) override { inner_.set_position(x, y); }
  void print(std::string_view text) override { inner_.print(text); }
  void show_parameters() override { inner_.show_parameters(); }
  void reading_begins() override { inner_.reading_begins(); }
  void reading_ends() override { inner_.reading_ends(); }
  UserRequest yield() override { return inner_.yield(); }
  bool request_pending() override { return inner_.request_pending(); }
  void bootstrap_status(const BootstrapStatus& status) override { inner_.bootstrap_status(status); }
  BootstrapAnswer ask_bootstrap(bool terminated) override {
    return inner_.ask_bootstrap(terminated);
  }
  std::string ask_restart() override { return inner_.ask_restart(); }
  void run_ended(const std::string& message) override { inner_.run_ended(message); }

 protected:
  Host& inner() { return inner_; }

 private:
  Host& inner_;
};

}  // namespace quorvane
