# The chooser and About box as Qt widgets.
