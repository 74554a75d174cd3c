// indi_orvanmirel_dome: started by indiserver; INDI's driver library runs the main loop and
// hands every client request to the one driver object made here.
#include "OrvanDome.h"

#include <memory>

static std::unique_ptr<orvan::OrvanDome> dome(new orvan::OrvanDome());
