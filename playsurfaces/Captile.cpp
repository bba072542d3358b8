#include "playsurfaces/Captile.h"

CCaptile::CCaptile(QWidget* parent) : CControlSite(parent)
{}
