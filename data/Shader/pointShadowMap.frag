// Nothing to compute: the depth stored is the face projection's own, which the rasteriser tests
// and writes before any fragment work is done. The lighting program turns a point's distance
// along the face's axis into that same depth to compare with it.
void main() {}
