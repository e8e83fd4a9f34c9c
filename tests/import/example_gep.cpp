#include "example_gep.h"

namespace tavi::test {

Bytes BuildExampleGep() {
  const std::vector<GepPoi> swissPasses{
      {833750, 4656111, u"Grimselpass"},
      {841528, 4657278, u"Furkapass"},
      {844722, 4672972, u"Sustenpass"},
      {856806, 4655861, u"Gotthardpass"},
      {885472, 4686889, u"Klausenpass (deleted record)", kGepDeletedPoi},
      {838694, 4647778, u"Nufenenpass"},
      {867167, 4665917, u"Oberalppass"},
      {kGepNoPosition, kGepNoPosition, u"Julierpass (position unknown)"},
  };
  const std::vector<GepPoi> otherPasses{
      {717056, 4586889, u"Col du Grand-Saint-Bernard"},
      {1045278, 4652861, u"Passo dello Stelvio"},
      {1284222, 4708250, u"Hochtor, Gro\u00DFglockner-Hochalpenstra\u00DFe"},
      {1150722, 4700222, u"Brennerpass"},
      {703083, 4541694, u"Col de l'Is\u00E9ran"},
  };
  return BuildGep({swissPasses, otherPasses});
}

}  // namespace tavi::test
