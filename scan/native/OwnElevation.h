#pragma once
// Whether this process runs with administrator rights (an elevated token).
// Without them the processes of other users and of services cannot be
// opened, so a search sees fewer holders than there are. Asked through the
// system seam; writes nothing.

enum class Elevation {
  kElevated,
  kNotElevated,
  kUnknown,  // the token could not be asked
};

Elevation OwnElevation();
