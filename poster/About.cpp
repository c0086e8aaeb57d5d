#include "poster/About.h"

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
    PublishField("ProductName", ProductName);
    PublishField("Version", Version);
    PublishField("Comments", Comments);
    PublishField("OKButton", OKButton);
    ReadLayout(this, "AboutUnit");
}
