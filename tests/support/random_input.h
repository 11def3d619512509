// Input nobody planned, as a user (or a cat on the keyboard) makes it,
// through XTEST: key presses alone and with Shift, Ctrl and Alt (the
// library's own keys among them: the screenshot keys, Tab, the state
// manager's Ctrl keys), pointer moves, clicks and drags of every button,
// the wheel. Seeded: the seed is printed, and KILN_INPUT_SEED gives it
// back, so that a failing run can be made again exactly.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fake_input.h"

namespace kiln::test {

class RandomInput {
public:
  struct Options {
    int width = 1280, height = 1024;  // the part of the screen played on, from its origin
    std::vector<KeySym> spared;       // keys never pressed (a program's own quit key)
    std::vector<KeySym> rare = {XK_F11, XK_F12};  // pressed one time in 50: each writes a whole window to a file
    bool close = false;               // whether the library's ending keys (Alt+F4, Ctrl+Alt+Delete) may be pressed
  };

  RandomInput(FakeInput &input, Options options) : input(input), options(std::move(options)) {
    const char *given = std::getenv("KILN_INPUT_SEED");
    seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
    random.seed(seed);
    std::printf("random input seed %u (KILN_INPUT_SEED=%u repeats it)\n", seed, seed);
    std::fflush(stdout);
  }

  unsigned Seed() const { return seed; }

  // Sends events until `events` are sent, `seconds` have passed or
  // `running` says the program has ended; the number sent.
  long Run(long events, double seconds, const std::function<bool()> &running) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long sent = 0;
    while (sent < events && std::chrono::steady_clock::now() < end) {
      if (sent % 200 == 0 && !running()) break;
      sent += One();
      // Now and then the program gets time to paint.
      if (Chance(40)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    input.ReleaseEverything();
    return sent;
  }

private:
  bool Chance(unsigned in) { return random() % in == 0; }
  int Coordinate(int size) { return static_cast<int>(random() % static_cast<unsigned>(size)); }

  // One action; the events it sent.
  int One() {
    const unsigned kind = random() % 100;
    if (kind < 35) return Key();
    if (kind < 70) {
      input.MoveTo(Coordinate(options.width), Coordinate(options.height));
      return 1;
    }
    if (kind < 85) {
      // A click of any of the pointer's buttons (4 to 7 are the wheel's).
      const unsigned button = 1 + random() % 10;
      input.Button(button, true);
      input.Button(button, false);
      return 2;
    }
    // A drag.
    const unsigned button = 1 + random() % 3;
    input.Button(button, true);
    const int steps = 2 + Coordinate(8);
    for (int i = 0; i < steps; ++i) input.MoveTo(Coordinate(options.width), Coordinate(options.height));
    input.Button(button, false);
    return steps + 2;
  }

  int Key() {
    static const KeySym kKeys[] = {XK_a, XK_b, XK_c, XK_d, XK_g, XK_l, XK_p, XK_q, XK_r, XK_s, XK_w, XK_x, XK_z,
                                   XK_0, XK_1, XK_5, XK_9, XK_space, XK_Return, XK_Escape, XK_Tab, XK_BackSpace,
                                   XK_Delete, XK_Left, XK_Right, XK_Up, XK_Down, XK_Home, XK_End, XK_Page_Up,
                                   XK_Page_Down, XK_F1, XK_F2, XK_F4, XK_F5, XK_F10, XK_F11, XK_F12, XK_minus,
                                   XK_plus, XK_comma, XK_period, XK_slash};
    KeySym key = kKeys[random() % (sizeof kKeys / sizeof kKeys[0])];
    std::vector<KeySym> held;
    if (Chance(4)) held.push_back(XK_Shift_L);
    if (Chance(4)) held.push_back(XK_Control_L);
    if (Chance(6)) held.push_back(XK_Alt_L);
    for (KeySym spared : options.spared) {
      if (key == spared) return 0;
    }
    const auto holds = [&](KeySym modifier) { return std::find(held.begin(), held.end(), modifier) != held.end(); };
    if (!options.close && key == XK_F4 && holds(XK_Alt_L)) return 0;
    if (!options.close && key == XK_Delete && holds(XK_Alt_L) && holds(XK_Control_L)) return 0;
    if (std::find(options.rare.begin(), options.rare.end(), key) != options.rare.end() && !Chance(50)) return 0;
    for (KeySym modifier : held) input.Key(modifier, true);
    input.Tap(key);
    for (KeySym modifier : held) input.Key(modifier, false);
    return static_cast<int>(2 * held.size()) + 2;
  }

  FakeInput &input;
  Options options;
  unsigned seed = 0;
  std::mt19937 random;
};

}  // namespace kiln::test
