object FileStorage1: TFileStorage
  StoredData = {
    5346503102000000
    0A}
  Empty = {}
  Set = []
end
