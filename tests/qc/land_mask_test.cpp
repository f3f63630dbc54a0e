// The land mask against places whose ground is known: drops a metadata
// error puts far inland, and real drops on the shelf, in harbours and in
// straits, where a coarse shoreline would put them on land.
#include "qc/land_mask.h"

#include <gtest/gtest.h>

namespace xbtconv {
namespace {

struct Place {
  const char* name;
  double latitude, longitude;
};

TEST(LandMask, InlandDropsOfMisreadPositions) {
  for (const Place& p :
       {Place{"Tajikistan (70.13 W read as east)", 39.41, 70.13}, Place{"Congo", 0.5, 20},
        Place{"Mongolia", 45, 100}, Place{"Antarctic interior", -80, 30},
        Place{"South Pole", -90, 0}, Place{"Chukotka, east of the date line", 67, -179.95},
        Place{"Chukotka, on it", 67, 180}}) {
    EXPECT_EQ(groundAt(p.latitude, p.longitude), Ground::kInland) << p.name;
  }
}

TEST(LandMask, DropsOnTheShelfInHarboursAndStraitsAreAtSea) {
  for (const Place& p : {
           Place{"North Pole", 90, 0},
           Place{"Sydney Harbour (an example)", -33.86, 151.21},
           Place{"Wellington Harbour (an example)", -41.288, 174.783},
           Place{"off Brisbane, PX30", -27.3, 153.3},
           Place{"Hauraki Gulf, PX06", -36.8, 174.85},
           Place{"off Suva", -18.2, 178.45},
           Place{"Strait of Gibraltar, AX07", 35.95, -5.6},
           Place{"Florida Strait", 25.7, -80.0},
           Place{"New York Bight, AX10", 40.4, -73.9},
           Place{"off Durban, IX21", -29.9, 31.1},
           Place{"Derwent estuary, IX28", -43.1, 147.4},
           Place{"off Dumont d'Urville", -66.6, 140.0},
           Place{"Table Bay, AX08", -33.9, 18.3},
           Place{"off Genoa, MX04", 44.35, 8.9},
           Place{"English Channel", 50.0, -2.0},
           Place{"Bosporus", 41.1, 29.05},
           Place{"Singapore Strait", 1.2, 103.9},
           Place{"Tokyo Bay", 35.4, 139.75},
           Place{"Swan River at Perth", -31.95, 115.85},
       }) {
    EXPECT_EQ(groundAt(p.latitude, p.longitude), Ground::kSea) << p.name;
  }
  // Ten kilometres inland of the Swan River: land beside a cell of water;
  // on Wrangel Island, the water beside it lies across the date line.
  EXPECT_EQ(groundAt(-31.95, 115.95), Ground::kCoast);
  EXPECT_EQ(groundAt(71.35, -179.95), Ground::kCoast);
}

}  // namespace
}  // namespace xbtconv
