object frmMain: TFuzzForm
  Width = 320
  Caption = 'It''s'#13#10'two lines'
  OnCreate = FormCreate
  object pnlMain: TFuzzWidget
    Tag = 5
    Left = -10
    Width = $7FFFFFFF
    Align = faClient
    Options = []
    Ratio = 1.5E3
    Big = -9000000000
    Key = 'Z'
    Level = 255
    Color = clFuzzRed
    Font.Height = -12
    Font.Name = 'Tahoma'
    Font.Style = [fsBold, fsItalic]
    Font.Color = $FF00000F
    object btnOk: TFuzzWidget
      Visible = False
      Caption = 'long ' +
        'string'
      Buddy = pnlMain
      OnClick = btnOkClick
    end
  end
end
