// Depth only: the rasteriser writes the depth, there is no colour target.
void main() {}
