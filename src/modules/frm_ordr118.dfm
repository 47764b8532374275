inherited frmOrdr118: TfrmOrdr118
  Caption = 'frmOrdr118'
end
