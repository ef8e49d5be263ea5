#include <fstream>
#include <iostream>
#include <memory>

#include "app/Config.h"
#include "app/Game.h"

namespace {
std::unique_ptr<vorn::Game> game;
}

int main() {
  vorn::WindowSettings settings;
  std::ifstream config("config.txt");
  vorn::readConfig(config, settings, std::cout, std::cerr);

  game = std::make_unique<vorn::Game>(settings.width, settings.height, settings.fullscreen ? 1 : 0,
                                      settings.refreshRate);
  game->run();
  game.reset();
  return 0;
}
