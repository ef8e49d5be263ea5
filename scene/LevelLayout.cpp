#include "scene/LevelLayout.h"

#include <cstring>

namespace vorn {
namespace scene {

const std::vector<LevelEntry>& levelLayout() {
  static const std::vector<LevelEntry> entries = {
      {"hallway", "Resources/Building/hallway.obj", 0, {0, -0.01f, 0}, 0},
      {"stairs", "Resources/Building/stairs.obj", 0, {21, 0, 0}, 270},
      {"apartment1", "Resources/Building/apartment_low.obj", 0, {12, 0, 3.1f}, 180},
      {"apartment2", "Resources/Building/apartment_low.obj", 0, {5, 0, -3.1f}, 0},
      {"apartment3", "Resources/Building/apartment_low.obj", 0, {-5, 0, 3.1f}, 180},
      {"apartment4", "Resources/Building/apartment_low.obj", 0, {-12, 0, -3.1f}, 0},
      {"apartment5", "Resources/Building/apartment_high.obj", 0, {11, 6, 3.1f}, 180},
      {"apartment6", "Resources/Building/apartment_high.obj", 0, {-12, 6, -3.1f}, 0},
      {"ap1_door", "Resources/Building/door.obj", 0, {12, 0, 3.1f}, 180},
      {"ap1_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {6, 0, 12.5f}, 270},
      {"ap1_desk", "Resources/Furniture/desk_low.obj", 0, {22, 0, 15}, 90},
      {"ap1_chair", "Resources/Furniture/chair_high.obj", 0, {19, 0, 15}, 90},
      {"ap2_door", "Resources/Building/door.obj", 0, {5, 0, -3.1f}, 0},
      {"ap2_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {8, 0, -19}, 180},
      {"ap2_couch", "Resources/Furniture/couch_low.obj", 0, {-4, 0, -15}, 90},
      {"ap2_table", "Resources/Furniture/smalltable_low.obj", 0, {-1, 0, -15}, 75},
      {"ap2_basket1", "Resources/Furniture/catbasket_low.obj", 0, {4, 0, -10}, 260},
      {"ap2_cat1", "Resources/Furniture/sleepingcat_low.obj", 0, {4, 0.1f, -10}, 260},
      {"ap2_cat2", "Resources/Furniture/sleepingcat_low.obj", 0, {8, 2.2f, -18}, 190},
      {"ap2_cat3", "Resources/Furniture/sleepingcat_low.obj", 0, {-3.5f, 1.2f, -16}, 250},
      {"ap3_door", "Resources/Building/door.obj", 0, {-5, 0, 3.1f}, 180},
      {"ap3_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {5, 0, 15}, 90},
      {"ap3_table", "Resources/Furniture/smalltable_low.obj", 0, {-7, 0, 15}, 120},
      {"ap3_bottle1", "Resources/Furniture/bottle.obj", 0, {-7, 1.2f, 15}, 120},
      {"ap3_bottle2", "Resources/Furniture/bottle.obj", 0, {4, 2.2f, 13}, 90},
      {"ap4_door", "Resources/Building/door.obj", 0, {-12, 0, -3.1f}, 0},
      {"ap4_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {-6, 0, -14}, 90},
      {"ap4_couch1", "Resources/Furniture/couch_low.obj", 0, {-14, 0, -13}, 195},
      {"ap4_couch2", "Resources/Furniture/couch_low.obj", 0, {-19.5f, 0, -13.5f}, 160},
      {"ap4_speaker", "Resources/Furniture/speaker_low.obj", 0, {-17.5f, 0, -18.5f}, 190},
      {"ap4_bottle1", "Resources/Furniture/bottle.obj", 0, {-7, 2.2f, -14}, 70},
      {"ap4_bottle2", "Resources/Furniture/bottle.obj", 0, {-16.5f, 0, -16.5f}, 20},
      {"ap4_bottle3", "Resources/Furniture/bottle.obj", 0, {-14, 0, -17.5f}, 150},
      {"ap4_bottle4", "Resources/Furniture/bottle.obj", 0, {-12, 0, -12}, 150},
      {"ap5_door", "Resources/Building/door.obj", 0, {11, 6, 3.1f}, 180},
      {"ap5_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {-5, 6, 11.2f}, 180},
      {"ap5_chimney", "Resources/Furniture/chimney_high.obj", 0, {-1, 6, 9}, 270},
      {"ap5_table", "Resources/Furniture/smalltable_low.obj", 0, {4, 6, 9}, 290},
      {"ap5_couch", "Resources/Furniture/couch_low.obj", 0, {8, 6, 9}, 260},
      {"ap6_door", "Resources/Building/door.obj", 0, {-12, 6, -3.1f}, 0},
      {"ap6_kitchen", "Resources/Furniture/kitchenunit_low.obj", 0, {9, 6, -19.2f}, 180},
      {"ap6_diningtable", "Resources/Furniture/diningtable_high.obj", 0, {-6, 6, -9}, 0},
      {"ap6_chair1", "Resources/Furniture/chair_high.obj", 0, {-6, 6, -10}, 0},
      {"ap6_chair2", "Resources/Furniture/chair_high.obj", 0, {-1.5f, 6, -9}, 270},
      {"ap6_chair3", "Resources/Furniture/chair_high.obj", 0, {-6, 6, -8}, 180},
      {"ap6_chair4", "Resources/Furniture/chair_high.obj", 0, {-10.5f, 6, -9}, 90},
      {"ap6_bottle1", "Resources/Furniture/bottle.obj", 0, {-3.5f, 8, -8.5f}, 0},
      {"ap6_bottle2", "Resources/Furniture/bottle.obj", 0, {-7, 8, -9.5f}, 0},
      {"ap6_couch", "Resources/Furniture/couch_low.obj", 0, {-9, 6, -18}, 0},
      {"ap1_freak", "Resources/Human/computerfreak.obj", 1, {19, 1.3f, 15}, 0},
      {"ap2_granny", "Resources/Human/granny.obj", 1, {-4, 1.2f, -14}, 0},
      {"ap6_richman", "Resources/Human/rich_man.obj", 1, {-10.5f, 7.3f, -9}, 0},
      {"ap6_richwoman", "Resources/Human/rich_woman.obj", 1, {-1.5f, 7.3f, -9}, 180},
      {"c_ap1_screen1", "Resources/Censorable/screen.obj", 1, {21, 2.2f, 14.75f}, 100},
      {"c_ap1_screen2", "Resources/Censorable/screen.obj", 1, {21, 2.2f, 16}, 80},
      {"c_ap2_newspaper1", "Resources/Censorable/newspaper.obj", 1, {-0.5f, 1.2f, -15.5f}, 140},
      {"c_ap2_newspaper2", "Resources/Censorable/newspaper.obj", 1, {-1, 1.2f, -14.5f}, 70},
      {"c_ap3_pothead1", "Resources/Censorable/pothead.obj", 1, {-4.5f, 0, 14.5f}, 170},
      {"c_ap3_pothead2", "Resources/Censorable/pothead.obj", 1, {-9, 0, 17}, 20},
      {"c_ap4_poster1", "Resources/Censorable/poster.obj", 0, {-11, 3.5f, -19.2f}, 180},
      {"c_ap4_poster2", "Resources/Censorable/poster.obj", 0, {-16, 3, -19.2f}, 180},
      {"c_ap5_tv", "Resources/Censorable/tv.obj", 0, {-1, 10, 9}, 270},
      {"c_ap5_datenight", "Resources/Censorable/datenight.obj", 1, {8, 8.2f, 9.5f}, 170},
      {"c_ap6_tv", "Resources/Censorable/tv.obj", 0, {0, 9, -9}, 90},
      {"c_ap6_male_statue", "Resources/Censorable/statuemale.obj", 1, {-13, 6, -18}, 290},
      {"c_ap6_female_statue", "Resources/Censorable/statuefemale.obj", 1, {-5, 6, -18}, 250},
      {"ap4_collegedude", "Resources/Human/collegedude.obj", 1, {-10, 0, -15}, 160},
  };
  return entries;
}

bool isCensorable(const char* name) { return std::strncmp(name, "c_", 2) == 0; }

}  // namespace scene
}  // namespace vorn
